"""Every date a photo carries: the offset texts kept true as the dates change, in the zones of
Berlin, New York and Helsinki, across summer and winter time both ways; a photo taken in another
zone left alone and named; the XMP and IPTC copies changed with the dates when asked, and else
never; undone exactly."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS, snapshot

OFFSETS = ("OffsetTime", "OffsetTimeOriginal", "OffsetTimeDigitized")


def offsets(path):
    r = subprocess.run(["exiftool", "-j", *("-ExifIFD:" + k for k in OFFSETS), str(path)],
                       capture_output=True, text=True, check=True)
    o = json.loads(r.stdout)[0]
    return tuple(o.get(k, "") for k in OFFSETS)


class Offsets(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tokimori-dates-"))
        self.addCleanup(shutil.rmtree, self.tmp)

    def photo(self, name, date=None, zone=None):
        """A copy of a camera photo, its three dates and three offsets given (exiftool)."""
        dest = self.tmp / name
        shutil.copy(PHOTOS / ("mobile_HMD_Nokia_8.3_5G.jpg" if zone is None and date is None
                              else "Canon_40D.jpg"), dest)
        if date:
            args = [f"-AllDates={date}"]
            if zone:
                args += [f"-{k}={zone}" for k in OFFSETS]
            subprocess.run(["exiftool", "-q", "-overwrite_original", *args, str(dest)], check=True)
        return dest

    def test_offsets_follow_the_local_zone_across_summer_and_winter(self):
        cases = [
            # zone, photo's date and offset, the date set, the offsets after (None: as before)
            ("Europe/Berlin", "2008:05:30 15:56:01", "+02:00", "2006:12:24", "+01:00"),
            ("Europe/Berlin", "2008:01:10 12:00:00", "+01:00", "2008:07:10", "+02:00"),
            ("America/New_York", "2008:07:10 12:00:00", "-04:00", "2008:01:10", "-05:00"),
            ("America/New_York", "2008:01:10 12:00:00", "-05:00", "2008:07:10", "-04:00"),
            ("Europe/Berlin", "2008:05:30 15:56:01", "+09:00", "2006:12:24", None),  # Tokyo's
            # Monrovia's local mean time of 1970, -00:44:30, is no offset text: left alone
            ("Africa/Monrovia", "2008:05:30 15:56:01", "+00:00", "1970:01:01", None),
            # a phone's photo, +03:00, holding DateTimeOriginal alone: only its offset follows
            ("Europe/Helsinki", None, None, "2023:01:14", ("+03:00", "+02:00", "+03:00")),
        ]
        for zone, date, stored, new, want in cases:
            with self.subTest(zone=zone, date=date, stored=stored, new=new):
                p = self.photo(f"p{len(list(self.tmp.iterdir()))}.jpg", date, stored)
                before = offsets(p)
                original = p.read_bytes()
                env = dict(os.environ, TZ=zone)
                code, lines, summary = run("set", "--date", new, "--time", "10:00:00",
                                           "--log-dir", self.tmp / "logs", p, env=env)
                (line,) = lines
                self.assertTrue(line["changed"])
                want = before if want is None else (want,) * 3 if isinstance(want, str) else want
                self.assertEqual(offsets(p), want)
                self.assertEqual(p.stat().st_size, len(original))
                moved = [k for k, a, b in zip(OFFSETS, before, want) if a != b]
                self.assertEqual([w for w in line["written"] if w.startswith("Offset")], moved)
                if not moved:
                    self.assertTrue(any("OffsetTimeOriginal" in n for n in line["notes"]), line)
                code, _, _ = run("undo", summary["journal"], env=env)
                self.assertEqual(code, 0)
                self.assertEqual(p.read_bytes(), original)

    def test_a_photo_without_offsets_gets_none(self):
        p = self.photo("plain.jpg", "2008:05:30 15:56:01")
        code, lines, _ = run("set", "--date", "2006:12:24", "--no-log", p,
                             env=dict(os.environ, TZ="Europe/Berlin"))
        self.assertEqual(code, 0)
        self.assertEqual(lines[0]["written"], ["DateTime", "DateTimeOriginal", "DateTimeDigitized"])
        self.assertNotIn("notes", lines[0])
        self.assertEqual(offsets(p), ("", "", ""))

    def test_a_shift_moves_the_offset_with_the_date(self):
        p = self.photo("s.jpg", "2008:10:26 01:30:00", "+02:00")  # an hour before the change
        code, lines, summary = run("shift", "--by", "+3:00", "--log-dir", self.tmp / "logs", p,
                                   env=dict(os.environ, TZ="Europe/Berlin"))
        self.assertEqual(code, 0, lines)
        self.assertEqual(offsets(p), ("+01:00",) * 3)


def tags(path):
    """Every tag exiftool reads in a photo, by group and name, but the file system's."""
    r = subprocess.run(["exiftool", "-j", "-a", "-G1", "-struct", str(path)],
                       capture_output=True, text=True, check=True)
    return {k: v for k, v in json.loads(r.stdout)[0].items()
            if k.split(":")[0] not in ("SourceFile", "System", "File", "Composite", "ExifTool")}


class Copies(unittest.TestCase):
    def test_the_copies_change_with_the_dates_in_their_own_form_and_nothing_else_does(self):
        new, zoned = "2020:01:02 03:04:05", "2020:01:02 03:04:05-05:00"
        exif = {"IFD0:ModifyDate": new, "ExifIFD:DateTimeOriginal": new}
        nikon = {"XMP-exif:DateTimeOriginal": zoned, "XMP-xmp:ModifyDate": zoned,
                 "XMP-xmp:CreateDate": zoned}  # its MetadataDate stands for no Exif date
        iptc = ["-IPTC:DateCreated=2008:05:30", "-IPTC:TimeCreated=15:56:01+02:00",
                "-IPTC:DigitalCreationDate=2008:05:30", "-IPTC:DigitalCreationTime=15:56:01+02:00"]
        set_ = ["set", "--date", "2020:01:02", "--time", "03:04:05"]
        cases = [
            # photo, exiftool's additions, command, zone, the tags after that change
            ("Nikon_D70.jpg", [], set_ + ["--all-copies"], "America/New_York",
             {**exif, **nikon}),
            ("Nikon_D70.jpg", [], set_, "America/New_York", exif),  # not asked: not changed
            # copies of another zone keep it, and say so
            ("Canon_DIGITAL_IXUS_400.jpg", [], set_ + ["--all-copies"], "America/New_York",
             {**exif, "ExifIFD:CreateDate": new,
              "XMP-exif:DateTimeOriginal": new + "+02:00",
              "XMP-exif:DateTimeDigitized": new + "+02:00", "XMP-xmp:ModifyDate": new + "+01:00"}),
            ("Canon_40D.jpg", iptc, set_ + ["--all-copies"], "Europe/Berlin",
             {**exif, "ExifIFD:CreateDate": new, "IPTC:DateCreated": "2020:01:02",
              "IPTC:TimeCreated": "03:04:05+01:00", "IPTC:DigitalCreationDate": "2020:01:02",
              "IPTC:DigitalCreationTime": "03:04:05+01:00"}),
            # the element form, a fraction, minutes only, a date alone: each keeps its form
            ("Canon_40D.jpg", ["-XMP-exif:DateTimeOriginal=2008:05:30 15:56:01.25+02:00",
                               "-XMP-xmp:CreateDate=2008:05:30 15:56",
                               "-XMP-photoshop:DateCreated=2008:05:30"],
             set_ + ["--all-copies"], "Europe/Berlin",
             {**exif, "ExifIFD:CreateDate": new,
              "XMP-exif:DateTimeOriginal": new + ".25+01:00",
              "XMP-xmp:CreateDate": new[:16], "XMP-photoshop:DateCreated": new[:10]}),
            # nor can a copy take Monrovia's -00:44:30 of 1970: it stays
            ("Canon_40D.jpg", ["-IPTC:DateCreated=2008:05:30", "-IPTC:TimeCreated=15:56:01+00:00"],
             ["set", "--date", "1970:01:01", "--time", "03:04:05", "--all-copies"],
             "Africa/Monrovia", {k: "1970:01:01 03:04:05" for k in [*exif, "ExifIFD:CreateDate"]}),
            ("Nikon_D70.jpg", [], ["shift", "--by", "-1:00", "--all-copies"], "America/New_York",
             {"IFD0:ModifyDate": "2008:07:31 09:03:44",
              "ExifIFD:DateTimeOriginal": "2008:03:15 08:52:01",
              "XMP-exif:DateTimeOriginal": "2008:03:15 08:52:01-04:00",
              "XMP-xmp:ModifyDate": "2008:03:15 14:18:33-04:00",
              "XMP-xmp:CreateDate": "2008:03:15 08:52:01-04:00"}),
        ]
        tmp = Path(tempfile.mkdtemp(prefix="tokimori-copies-"))
        self.addCleanup(shutil.rmtree, tmp)
        for i, (name, added, command, zone, changed) in enumerate(cases):
            with self.subTest(photo=name, command=command):
                p = tmp / f"{i}_{name}"
                shutil.copy(PHOTOS / name, p)
                if added:
                    subprocess.run(["exiftool", "-q", "-overwrite_original", *added, str(p)],
                                   check=True)
                before, original = tags(p), p.read_bytes()
                env = dict(os.environ, TZ=zone)
                code, lines, summary = run(*command, "--log-dir", tmp / "logs", p, env=env)
                self.assertEqual(code, 0, lines)
                self.assertEqual(tags(p), {**before, **changed})
                self.assertEqual(p.stat().st_size, len(original))
                kept = [n for n in lines[0].get("notes", []) if n.startswith("XMP")]
                self.assertEqual(len(kept), 3 if "Canon_DIGITAL" in name else 0, lines[0])
                self.assertEqual(run("undo", summary["journal"], env=env)[0], 0)
                self.assertEqual(p.read_bytes(), original)

    def test_info_names_the_copies_of_the_photo_alone(self):
        def segment(code, payload):
            return bytes([0xFF, code]) + (len(payload) + 2).to_bytes(2, "big") + payload

        def xmp(rdf):
            return segment(0xE1, b"http://ns.adobe.com/xap/1.0/\0"
                           b"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
                           b"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                           + rdf.encode() + b"</rdf:RDF></x:xmpmeta>")

        def iptc(*signatures, more=0):  # a resource of each signature, the record in the last
            record = b"\x1c\x02\x37\x00\x0820080530"  # and a byte to an even count
            return segment(0xED, b"Photoshop 3.0\0" + b"".join(
                sig + b"\x04\x04\0\0" + (len(record) + more).to_bytes(4, "big") + record + b"\0"
                for sig in signatures))

        d = ('<rdf:Description xmlns:q="http://ns.adobe.com/xap/1.0/" '
             'xmlns:e="http://ns.adobe.com/exif/1.0/" {}</rdf:Description>')
        cases = [
            # the segment put after the Exif data, the copies info names
            (xmp(d.format('q:CreateDate="2008">')), [("XMP-xmp:CreateDate", "2008")]),
            (xmp(d.format('><e:DateTimeOriginal>\n 2008-05 </e:DateTimeOriginal>')),
             [("XMP-exif:DateTimeOriginal", "2008-05")]),
            # a description in a property's value, and a packet not well-formed: none
            (xmp(d.format('><e:Foo><rdf:RDF><rdf:Description q:CreateDate="2008"/></rdf:RDF>'
                          '</e:Foo>')), []),
            (xmp(d.format('q:CreateDate="2008">') + "<!--"), []),
            # another program's resource before Photoshop's record; its own record is not one
            (iptc(b"MeSa", b"8BIM"), [("IPTC:DateCreated", "20080530")]),
            (iptc(b"MeSa"), []),
            # places not read are named by a run: an extension packet, a record split over
            # segments (it runs past its own)
            (segment(0xE1, b"http://ns.adobe.com/xmp/extension/\0" + b"0" * 40 + b"<x/>"), [],
             "XMP extension"),
            (iptc(b"8BIM", more=100), [], "IPTC split over segments"),
        ]
        tmp = Path(tempfile.mkdtemp(prefix="tokimori-copies-"))
        self.addCleanup(shutil.rmtree, tmp)
        photo = (PHOTOS / "Canon_40D.jpg").read_bytes()
        after_exif = 4 + 16 + 2 + int.from_bytes(photo[22:24], "big")  # SOI, APP0, APP1
        for added, want, *unread in cases:
            with self.subTest(segment=added):
                p = tmp / "p.jpg"
                p.write_bytes(photo[:after_exif] + added + photo[after_exif:])
                (info,) = run("info", p, check=True).lines
                self.assertEqual([(x["where"], x["text"]) for x in info["dates"] if "for" in x],
                                 want)
                (line,) = run("set", "--date", "2020:01:02", "--all-copies", "--dry-run", p,
                              check=True).lines
                self.assertEqual([n.split(":")[0] for n in line.get("notes", [])
                                  if "not read" in n], unread)

if __name__ == "__main__":
    unittest.main()
