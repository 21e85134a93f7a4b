#include "exif/DateCopies.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "exif/ExifLayout.h"
#include "exif/ExifWalker.h"
#include "exif/FileFormat.h"
#include "exif/JpegFrame.h"
#include "exif/MovieTimes.h"

namespace tokimori {

namespace {

constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kXmpExtensionSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::string_view kPhotoshopSignature{"Photoshop 3.0\0", 14};
constexpr std::string_view kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr uint8_t kApp1 = 0xE1, kApp13 = 0xED;
constexpr uint16_t kIptcResource = 0x0404;

struct Property {
    std::string_view uri;
    std::string_view name;
    uint16_t tag;
};
constexpr Property kProperties[] = {
    {"http://ns.adobe.com/xap/1.0/", "ModifyDate", copytag::XmpModifyDate},
    {"http://ns.adobe.com/xap/1.0/", "CreateDate", copytag::XmpCreateDate},
    {"http://ns.adobe.com/xap/1.0/", "MetadataDate", copytag::XmpMetadataDate},
    {"http://ns.adobe.com/exif/1.0/", "DateTimeOriginal", copytag::XmpDateTimeOriginal},
    {"http://ns.adobe.com/exif/1.0/", "DateTimeDigitized", copytag::XmpDateTimeDigitized},
    {"http://ns.adobe.com/photoshop/1.0/", "DateCreated", copytag::XmpDateCreated},
    {"http://ns.adobe.com/tiff/1.0/", "DateTime", copytag::XmpDateTime},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The packet scanned as XML as far as finding its date properties needs: tags, comments,
// processing instructions and CDATA sections are told apart, namespace declarations are
// scoped to their elements, and end tags must close the element they name.
class XmpScan {
  public:
    XmpScan(std::string_view text, uint64_t base) : s_(text), base_(base) {}

    // The copies, or none when the packet is not well-formed as far as the scan goes.
    std::vector<DateCopy> run() {
        if (s_.find('\0') != std::string_view::npos || !scan() || !stack_.empty()) return {};
        return std::move(found_);
    }

  private:
    static constexpr size_t kMaxDepth = 64;
    static constexpr size_t kMaxBindings = 1024;
    // Outside rdf:RDF, rdf:RDF itself, an rdf:Description directly in it, anything deeper.
    enum class Kind { Outside, Rdf, Description, Inside };
    struct Element {
        std::string_view name;
        size_t bindings; // bindings_ before its own declarations
        Kind kind;
    };
    struct Attribute {
        std::string_view name;
        size_t at; // offset of the value in the packet
        std::string_view value;
    };

    bool skip(size_t& i, std::string_view close) {
        const size_t end = s_.find(close, i);
        if (end == std::string_view::npos) return false;
        i = end + close.size();
        return true;
    }

    std::string_view name(size_t& i) const {
        const size_t from = i;
        while (i < s_.size() && !IsBlank(s_[i]) && s_[i] != '/' && s_[i] != '>' && s_[i] != '=' &&
               s_[i] != '<' && s_[i] != '"' && s_[i] != '\'')
            ++i;
        return s_.substr(from, i - from);
    }

    void blanks(size_t& i) const {
        while (i < s_.size() && IsBlank(s_[i]))
            ++i;
    }

    // The namespace of a qualified name's prefix (the default namespace for an element without
    // one; none for an attribute without one).
    std::optional<std::string_view> uriOf(std::string_view qname, bool element) const {
        const size_t colon = qname.find(':');
        if (colon == std::string_view::npos && !element) return std::nullopt;
        const std::string_view prefix =
            colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
        for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
            if (it->first == prefix) return it->second;
        return std::nullopt;
    }

    // The copy tag of a property name, 0 for any other.
    uint16_t propertyOf(std::string_view qname, bool element) const {
        const auto uri = uriOf(qname, element);
        if (!uri) return 0;
        const size_t colon = qname.find(':');
        const std::string_view local =
            colon == std::string_view::npos ? qname : qname.substr(colon + 1);
        for (const Property& p : kProperties)
            if (p.uri == *uri && p.name == local) return p.tag;
        return 0;
    }

    // An rdf:RDF inside another (a property's value) holds no properties of the photo.
    Kind kindOf(std::string_view qname, Kind parent) const {
        const auto uri = uriOf(qname, true);
        const bool rdf = uri && *uri == kRdf;
        const std::string_view local = qname.substr(qname.find(':') + 1);
        if (parent == Kind::Outside) return rdf && local == "RDF" ? Kind::Rdf : Kind::Outside;
        if (parent == Kind::Rdf && rdf && local == "Description") return Kind::Description;
        return Kind::Inside;
    }

    void add(uint16_t tag, size_t at, std::string_view text) {
        // Blanks around an element's text are not part of the date.
        size_t from = 0, to = text.size();
        while (from < to && IsBlank(text[from]))
            ++from;
        while (to > from && IsBlank(text[to - 1]))
            --to;
        found_.push_back({tag, base_ + at + from, static_cast<uint32_t>(to - from),
                          std::string(text.substr(from, to - from))});
    }

    bool endTag(size_t& i) {
        i += 2;
        const std::string_view n = name(i);
        blanks(i);
        if (i >= s_.size() || s_[i] != '>' || stack_.empty() || stack_.back().name != n)
            return false;
        ++i;
        bindings_.resize(stack_.back().bindings);
        stack_.pop_back();
        return true;
    }

    bool startTag(size_t& i) {
        ++i;
        const std::string_view n = name(i);
        if (n.empty()) return false;
        std::vector<Attribute> attributes;
        bool open = true;
        for (;;) {
            blanks(i);
            if (i >= s_.size()) return false;
            if (s_[i] == '>') {
                ++i;
                break;
            }
            if (s_.compare(i, 2, "/>") == 0) {
                i += 2;
                open = false;
                break;
            }
            const std::string_view a = name(i);
            blanks(i);
            if (a.empty() || i >= s_.size() || s_[i] != '=') return false;
            ++i;
            blanks(i);
            if (i >= s_.size() || (s_[i] != '"' && s_[i] != '\'')) return false;
            const char quote = s_[i++];
            const size_t end = s_.find(quote, i);
            if (end == std::string_view::npos) return false;
            const std::string_view value = s_.substr(i, end - i);
            if (value.find('<') != std::string_view::npos) return false;
            attributes.push_back({a, i, value});
            i = end + 1;
        }
        if (stack_.size() >= kMaxDepth) return false;
        const size_t mark = bindings_.size();
        bool onlyDeclarations = true;
        for (const Attribute& a : attributes) {
            if (a.name == "xmlns")
                bindings_.emplace_back(std::string_view(), a.value);
            else if (a.name.substr(0, 6) == "xmlns:")
                bindings_.emplace_back(a.name.substr(6), a.value);
            else
                onlyDeclarations = false;
        }
        if (bindings_.size() > kMaxBindings) return false;
        const Kind parent = stack_.empty() ? Kind::Outside : stack_.back().kind;
        const Kind kind = kindOf(n, parent);
        if (kind == Kind::Description) {
            for (const Attribute& a : attributes)
                if (const uint16_t tag = propertyOf(a.name, false)) add(tag, a.at, a.value);
        }
        if (parent == Kind::Description && open && onlyDeclarations) {
            // An element's text: up to the next '<', which must be its own end tag.
            if (const uint16_t tag = propertyOf(n, true)) {
                const size_t lt = s_.find('<', i);
                size_t after = lt == std::string_view::npos ? s_.size() : lt + 2;
                if (lt != std::string_view::npos && s_.compare(lt, 2, "</") == 0 &&
                    name(after) == n)
                    add(tag, i, s_.substr(i, lt - i));
            }
        }
        if (open)
            stack_.push_back({n, mark, kind});
        else
            bindings_.resize(mark);
        return true;
    }

    bool scan() {
        for (size_t i = 0;;) {
            const size_t lt = s_.find('<', i);
            if (lt == std::string_view::npos) return true;
            i = lt;
            bool ok;
            if (s_.compare(i, 4, "<!--") == 0)
                ok = skip(i, "-->");
            else if (s_.compare(i, 9, "<![CDATA[") == 0)
                ok = skip(i, "]]>");
            else if (s_.compare(i, 2, "<?") == 0)
                ok = skip(i, "?>");
            else if (s_.compare(i, 2, "<!") == 0)
                ok = skip(i, ">");
            else if (s_.compare(i, 2, "</") == 0)
                ok = endTag(i);
            else
                ok = startTag(i);
            if (!ok) return false;
        }
    }

    std::string_view s_;
    uint64_t base_;
    std::vector<std::pair<std::string_view, std::string_view>> bindings_; // prefix, namespace
    std::vector<Element> stack_;
    std::vector<DateCopy> found_;
};

// The datasets of an IPTC-NAA record: 1C, record(1), dataset(1), length(2), then the value. A
// length with its high bit set is an extended one: its low bits count the bytes of the length
// that follows.
void ScanIptc(std::string_view s, uint64_t base, std::vector<DateCopy>& out) {
    for (size_t i = 0; i + 5 <= s.size();) {
        if (static_cast<uint8_t>(s[i]) != 0x1C) return;
        const uint8_t record = static_cast<uint8_t>(s[i + 1]);
        const uint8_t dataset = static_cast<uint8_t>(s[i + 2]);
        uint64_t length = Get16(reinterpret_cast<const uint8_t*>(s.data() + i + 3), ByteOrder::Big);
        size_t at = i + 5;
        if (length & 0x8000) {
            const size_t bytes = length & 0x7FFF;
            if (bytes > 4 || at + bytes > s.size()) return;
            length = 0;
            for (size_t k = 0; k < bytes; ++k)
                length = length << 8 | static_cast<uint8_t>(s[at + k]);
            at += bytes;
        }
        if (length > s.size() - at) return;
        const uint16_t tag = static_cast<uint16_t>(0xF000 | dataset);
        if (record == 2 && IsIptcTag(tag))
            out.push_back({tag, base + at, static_cast<uint32_t>(length),
                           std::string(s.substr(at, static_cast<size_t>(length)))});
        i = at + static_cast<size_t>(length);
    }
}

// The resources of a Photoshop APP13 segment: "8BIM" (or another program's signature), id(2), a
// name (a length byte and its bytes, padded to an even count), size(4), the data (padded to an
// even count). The record is Photoshop's own resource.
// Whether an IPTC record ran past the segment (Photoshop splits a long block over segments).
bool ScanResources(std::string_view s, uint64_t base, std::vector<DateCopy>& out) {
    for (size_t i = 0; i + 12 <= s.size();) {
        const std::string_view signature = s.substr(i, 4);
        if (signature != "8BIM" && signature != "MeSa" && signature != "PHUT" &&
            signature != "AgHg" && signature != "DCSR")
            return false;
        const auto* p = reinterpret_cast<const uint8_t*>(s.data());
        const uint16_t id = Get16(p + i + 4, ByteOrder::Big);
        size_t at = i + 6;
        const size_t nameBytes = (1 + size_t{p[at]} + 1) & ~size_t{1};
        if (nameBytes + 4 > s.size() - at) return false;
        at += nameBytes;
        const uint32_t size = Get32(p + at, ByteOrder::Big);
        at += 4;
        if (size > s.size() - at) return id == kIptcResource && signature == "8BIM";
        if (id == kIptcResource && signature == "8BIM")
            ScanIptc(s.substr(at, size), base + at, out);
        i = at + size + (size & 1);
    }
    return false;
}

// A segment's payload, read whole; nullopt when it cannot be.
std::optional<std::string> Payload(ByteReader& r, const JpegSegment& s) {
    std::string bytes(s.length, '\0');
    if (!r.bytes(s.payload, std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size())))
        return std::nullopt;
    return bytes;
}

bool Starts(ByteReader& r, const JpegSegment& s, std::string_view signature) {
    if (s.length < signature.size()) return false;
    std::string head(signature.size(), '\0');
    if (!r.bytes(s.payload, std::span(reinterpret_cast<uint8_t*>(head.data()), head.size())))
        return false;
    return head == signature;
}

// An ASCII entry's text: in the value field when it fits there, else where it points.
std::string EntryAscii(ByteReader& r, const IfdEntry& e) {
    if (e.count <= 4) {
        std::string out;
        for (uint32_t i = 0; i < e.count && e.valueField[i] != 0; ++i)
            out.push_back(e.valueField[i] == '\n' ? ' ' : static_cast<char>(e.valueField[i]));
        return out;
    }
    return r.text(ValueOffset(e), e.count).value_or(std::string());
}

// GPSTimeStamp's three RATIONALs as "hh:mm:ss", the seconds with their decimals.
std::string GpsTime(ByteReader& r, const ExifWalk& w, const IfdEntry& e) {
    uint8_t raw[24];
    if (e.count != 3 || !r.bytes(ValueOffset(e), raw)) return {};
    std::string out;
    for (int k = 0; k < 3; ++k) {
        const uint32_t num = Get32(raw + 8 * k, w.order), den = Get32(raw + 8 * k + 4, w.order);
        if (den == 0) return {};
        char buf[48];
        std::snprintf(buf, sizeof buf, "%s%02u", k ? ":" : "", num / den);
        out += buf;
        // Up to six decimals, as many as the fraction needs.
        uint64_t rest = num % den;
        if (rest == 0) continue;
        out += '.';
        for (int digits = 0; digits < 6 && rest != 0; ++digits) {
            rest *= 10;
            out += static_cast<char>('0' + rest / den);
            rest %= den;
        }
    }
    return out;
}

} // namespace

bool IsCopyTag(uint16_t t) {
    return CopyTagName(t)[0] != '\0';
}

bool IsIptcTag(uint16_t t) {
    return t == copytag::IptcDateCreated || t == copytag::IptcTimeCreated ||
           t == copytag::IptcDigitalCreationDate || t == copytag::IptcDigitalCreationTime;
}

const char* CopyTagName(uint16_t t) {
    switch (t) {
    case copytag::XmpModifyDate:
        return "XMP-xmp:ModifyDate";
    case copytag::XmpCreateDate:
        return "XMP-xmp:CreateDate";
    case copytag::XmpMetadataDate:
        return "XMP-xmp:MetadataDate";
    case copytag::XmpDateTimeOriginal:
        return "XMP-exif:DateTimeOriginal";
    case copytag::XmpDateTimeDigitized:
        return "XMP-exif:DateTimeDigitized";
    case copytag::XmpDateCreated:
        return "XMP-photoshop:DateCreated";
    case copytag::XmpDateTime:
        return "XMP-tiff:DateTime";
    case copytag::IptcDateCreated:
        return "IPTC:DateCreated";
    case copytag::IptcTimeCreated:
        return "IPTC:TimeCreated";
    case copytag::IptcDigitalCreationDate:
        return "IPTC:DigitalCreationDate";
    case copytag::IptcDigitalCreationTime:
        return "IPTC:DigitalCreationTime";
    default:
        return "";
    }
}

uint16_t ExifDateOfCopy(uint16_t t) {
    switch (t) {
    case copytag::XmpModifyDate:
    case copytag::XmpDateTime:
        return tag::DateTime;
    case copytag::XmpCreateDate:
    case copytag::XmpDateTimeDigitized:
    case copytag::IptcDigitalCreationDate:
    case copytag::IptcDigitalCreationTime:
        return tag::DateTimeDigitized;
    case copytag::XmpDateTimeOriginal:
    case copytag::XmpDateCreated:
    case copytag::IptcDateCreated:
    case copytag::IptcTimeCreated:
        return tag::DateTimeOriginal;
    default:
        return 0;
    }
}

uint16_t IptcDateOfTime(uint16_t t) {
    return t == copytag::IptcTimeCreated           ? copytag::IptcDateCreated
           : t == copytag::IptcDigitalCreationTime ? copytag::IptcDigitalCreationDate
                                                   : 0;
}

std::vector<DateCopy> FindDateCopies(ByteReader& r, std::vector<std::string>* unread) {
    std::vector<DateCopy> out;
    auto tell = [&](const std::string& place) {
        if (unread && std::find(unread->begin(), unread->end(), place) == unread->end())
            unread->push_back(place);
    };
    // Copies are read in JPEG photos only: another kind's XMP and IPTC are named, not read.
    const std::string format = FileFormatOf(r);
    if (format != "JPEG") {
        if (IsRedatedFormat(format)) tell("XMP and IPTC of a " + format + " file");
        return out;
    }
    WalkJpegSegments(r, [&](const JpegSegment& s) {
        if (s.code == kApp1 && Starts(r, s, kXmpExtensionSignature)) tell("XMP extension");
        if (s.code == kApp1 && Starts(r, s, kXmpSignature)) {
            if (auto bytes = Payload(r, s)) {
                const std::string_view packet =
                    std::string_view(*bytes).substr(kXmpSignature.size());
                for (DateCopy& c : XmpScan(packet, s.payload + kXmpSignature.size()).run())
                    out.push_back(std::move(c));
            }
        } else if (s.code == kApp13 && Starts(r, s, kPhotoshopSignature)) {
            if (auto bytes = Payload(r, s))
                if (ScanResources(std::string_view(*bytes).substr(kPhotoshopSignature.size()),
                                  s.payload + kPhotoshopSignature.size(), out))
                    tell("IPTC split over segments");
        }
        return !r.failed();
    });
    return out;
}

std::vector<PhotoDate> ReadPhotoDates(ByteReader& r) {
    // The entries of the dates, the later of two equal tags winning.
    struct Wanted {
        Ifd ifd;
        uint16_t tag;
        const char* where;
        std::optional<IfdEntry> entry;
    };
    Wanted wanted[] = {
        {Ifd::Ifd0, tag::DateTime, "IFD0:DateTime", {}},
        {Ifd::Exif, tag::DateTimeOriginal, "ExifIFD:DateTimeOriginal", {}},
        {Ifd::Exif, tag::DateTimeDigitized, "ExifIFD:DateTimeDigitized", {}},
        {Ifd::Exif, tag::OffsetTime, "ExifIFD:OffsetTime", {}},
        {Ifd::Exif, tag::OffsetTimeOriginal, "ExifIFD:OffsetTimeOriginal", {}},
        {Ifd::Exif, tag::OffsetTimeDigitized, "ExifIFD:OffsetTimeDigitized", {}},
        {Ifd::Exif, tag::SubSecTime, "ExifIFD:SubSecTime", {}},
        {Ifd::Exif, tag::SubSecTimeOriginal, "ExifIFD:SubSecTimeOriginal", {}},
        {Ifd::Exif, tag::SubSecTimeDigitized, "ExifIFD:SubSecTimeDigitized", {}},
        {Ifd::Gps, tag::GpsDateStamp, "GPS:GPSDateStamp", {}},
        {Ifd::Gps, tag::GpsTimeStamp, "GPS:GPSTimeStamp", {}},
    };
    const ExifWalk w = WalkExif(r, [&](Ifd ifd, const IfdEntry& e) {
        for (Wanted& x : wanted)
            if (x.ifd == ifd && x.tag == e.tag) x.entry = e;
        return false;
    });
    std::string texts[std::size(wanted)];
    for (size_t i = 0; i < std::size(wanted); ++i) {
        const auto& e = wanted[i].entry;
        if (!e) continue;
        if (wanted[i].tag == tag::GpsTimeStamp)
            texts[i] = e->type == 5 ? GpsTime(r, w, *e) : std::string();
        else if (e->type == kTypeAscii)
            texts[i] = EntryAscii(r, *e);
        else
            wanted[i].entry.reset();
    }
    std::vector<PhotoDate> out;
    // A date with its offset (3 further on) and sub-seconds (6 further on); either alone too.
    for (size_t i = 0; i < 3; ++i) {
        if (wanted[i].entry)
            out.push_back({wanted[i].tag, wanted[i].where, texts[i],
                           wanted[i + 3].entry ? texts[i + 3] : std::string(),
                           wanted[i + 6].entry ? texts[i + 6] : std::string(), 0});
        for (size_t k : {i + 3, i + 6})
            if (!wanted[i].entry && wanted[k].entry)
                out.push_back({wanted[k].tag, wanted[k].where, texts[k], {}, {}, 0});
    }
    for (size_t i = 9; i < std::size(wanted); ++i)
        if (wanted[i].entry) out.push_back({wanted[i].tag, wanted[i].where, texts[i], {}, {}, 0});
    for (DateCopy& c : FindDateCopies(r))
        out.push_back(
            {c.tag, CopyTagName(c.tag), std::move(c.text), {}, {}, ExifDateOfCopy(c.tag)});
    // A movie's own two times, in UTC.
    for (const MovieTime& m : FindMovieTimes(r))
        if (m.tag == movietag::CreateDate || m.tag == movietag::ModifyDate)
            out.push_back({m.tag, MovieTagName(m.tag), MovieTimeText(m.value), "+00:00", {}, 0});
        else if (m.tag == movietag::CreationDate)
            out.push_back({m.tag,
                           MovieTagName(m.tag),
                           r.text(m.offset, m.bytes).value_or(std::string()),
                           {},
                           {},
                           0});
    return out;
}

} // namespace tokimori
