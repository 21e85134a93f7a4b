// tokimori-cli with the failure-injection seam opened, for the command-line safety tests only.
// TOKIMORI_FAULT lists what fails: "SITE:N:KIND[:ERRNO],...", the N-th operation (from 1) at
// SITE (photo-write, photo-times, journal-append, journal-sync, log-append) fails with ERRNO
// (default 28, a full disk), is cut short half-way (short), or the process dies there (kill).

#include <array>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Faults.h"
#include "cli/Commands.h"

namespace {

using tokimori::Fault;
using tokimori::FaultSite;

struct Planned {
    FaultSite site;
    int at;
    Fault fault;
};

std::vector<Planned> g_plan;
std::array<int, 5> g_seen{};

Fault Hook(FaultSite site) {
    const int n = ++g_seen[static_cast<size_t>(site)];
    for (const Planned& p : g_plan)
        if (p.site == site && p.at == n) return p.fault;
    return {};
}

bool ParsePlan(const std::string& text) {
    std::istringstream specs(text);
    std::string spec;
    while (std::getline(specs, spec, ',')) {
        std::vector<std::string> f;
        std::istringstream parts(spec);
        for (std::string part; std::getline(parts, part, ':');)
            f.push_back(part);
        if (f.size() < 3) return false;
        Planned p{};
        if (f[0] == "photo-write")
            p.site = FaultSite::PhotoWrite;
        else if (f[0] == "photo-times")
            p.site = FaultSite::PhotoTimes;
        else if (f[0] == "journal-append")
            p.site = FaultSite::JournalAppend;
        else if (f[0] == "journal-sync")
            p.site = FaultSite::JournalSync;
        else if (f[0] == "log-append")
            p.site = FaultSite::LogAppend;
        else
            return false;
        p.at = std::atoi(f[1].c_str());
        if (f[2] == "fail")
            p.fault.kind = Fault::Kind::Fail;
        else if (f[2] == "short")
            p.fault.kind = Fault::Kind::Short;
        else if (f[2] == "kill")
            p.fault.kind = Fault::Kind::Kill;
        else
            return false;
        p.fault.error = f.size() > 3 ? std::atoi(f[3].c_str()) : 28;
        g_plan.push_back(p);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* plan = std::getenv("TOKIMORI_FAULT")) {
        if (!ParsePlan(plan)) {
            std::cerr << "tokimori-cli-faults: cannot read TOKIMORI_FAULT=" << plan << "\n";
            return 2;
        }
        tokimori::SetFaultHook(&Hook);
    }
    return tokimori::cli::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
}
