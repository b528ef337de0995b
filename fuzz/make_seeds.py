# Seed inputs that reach the long texts at once (about 11,000 characters, and
# past the page reader's 18192), in the byte layout of fuzz_input.h: mode
# byte (0 UTF-16, 1 UTF-8, 2 Latin-1), length byte, text; the last text takes
# the rest. Usage: python3 fuzz/make_seeds.py <corpus root>
import os, struct, sys
root = sys.argv[1] if len(sys.argv) > 1 else "corpus"
def put(target, name, data):
    d = os.path.join(root, target); os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "seed_" + name), "wb").write(data)
def lat(s, rest=False):  # mode 2 = Latin-1
    b = s.encode("latin-1")
    return bytes([2]) + (b"" if rest else bytes([len(b)])) + b
def utf8(s, rest=False):  # mode 1 = UTF-8
    b = s.encode("utf-8")
    return bytes([1]) + (b"" if rest else bytes([len(b)])) + b
def u16(s, rest=False):  # mode 0 = raw UTF-16
    b = s.encode("utf-16-le", "surrogatepass")
    return bytes([0]) + (b"" if rest else bytes([len(b)//2])) + b
N = 11000
put("fuzz_detect_site", "cet", lat("endet") + lat("CET", True))
put("fuzz_detect_site", "long", lat("endet") + lat("C" * N, True))
for i, site in enumerate(["de","com","fr","es","it","nl","uk","au","ca","my","ph","sg"]):
    put("fuzz_normalize_end_date", site, bytes([i]) + lat("MEZ") + lat("12-f\xc3\xa9vr-06" + "x" * N, True))
put("fuzz_normalize_end_date", "fr_utf8", bytes([2]) + lat("PARIS") + utf8("12-d\u00e9c-06 " * 900, True))
put("fuzz_normalize_end_date", "fr_u16", bytes([2]) + lat("PARIS") + u16("12-ao\u00fbt-06" + "\u00e9" * 5000, True))
put("fuzz_encode_url", "long", utf8("\u00e4&amp;\u20ac \U0001F600" * 700, True))
put("fuzz_encode_url", "latin", lat("".join(chr(i) for i in range(256)) * 45, True))
put("fuzz_read_datetime", "long", lat("12.03.2006 18:30:00" + "9" * N, True))
put("fuzz_read_datetime", "u16", u16("12.03.2006 18:30:00" + "\ud800" * 5000, True))
for i, z in enumerate(["MEZ","H.ESP","PARIS","AEDST","PST"]):
    put("fuzz_convert_to_gmt", z.replace(".", ""), bytes([i]) + struct.pack("<d", 39000.75) + lat(z, True))
put("fuzz_convert_to_gmt", "long", bytes([1]) + struct.pack("<d", 2958465.5) + lat("GMT" * 3000, True))
stamp = "Tuesday, 14 Mar 2006 17:30:00 GMT"
put("page_reader_fuzz", "short", stamp.encode())
put("page_reader_fuzz", "late", (" " * 18180 + stamp).encode())
put("page_reader_fuzz", "straddle", ("x" * 18170 + stamp + " BST").encode())
put("page_reader_fuzz", "bst", ("<p>" * 3000 + "Sunday, 02 Jul 2006 09:15:42 BST").encode())
# Window title, then the page title (also the DDE reply); replies past the
# 32767 characters a DDE answer may have.
direct = "eBay.de: Lampe 1234567890 (Endet 12.03.07 18:30:00 MEZ) - Artikel"
page = "eBay: Lampe (Artikel 1234567890 endet 12.03.07 18:30:00 MEZ)"
put("fuzz_title_cuts", "direct", lat(direct) + lat(page, True))
put("fuzz_title_cuts", "dde", lat(direct) + lat('"http://x","' + page + '","x"', True))
put("fuzz_title_cuts", "long", lat(direct) + lat('"http://x","' + "a," * 16500 + page + '"', True))
