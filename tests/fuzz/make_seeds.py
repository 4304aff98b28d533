#!/usr/bin/env python3
"""Writes the hand-made seeds of corpus/ (the table files are copied from tests/data).
The seeds of corpus/configuration_image are not made here: they are images that
encodeConfigurationImage made from the tests' valid configuration, plus all-0xFF, all-zero
and short images."""
import os

here = os.path.dirname(os.path.abspath(__file__))
corpus = os.path.join(here, "corpus")
data = os.path.join(here, "..", "data")


def put(target, name, content):
    folder = os.path.join(corpus, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(content)


def quoted(t):
    return b'"' + t.encode("latin-1") + b'"'


# The valid configuration of the tests, in file order: (kind, value).
valid = [
    ("T", "V7.X"), ("I", 2), ("T", "0123456789"), ("T", "10"), ("T", "20"), ("I", 1),
    ("T", "5"), ("T", "0"), ("T", "60"), ("I", 2), ("I", 1), ("T", "192.168.1.10"), ("I", 1),
    ("T", "10.0.0.1"), ("T", "6081"), ("T", "ABC123"), ("T", "300"), ("T", "3"), ("T", "30"),
    ("I", 2), ("T", "base@example.com"), ("T", "unit@example.com"), ("T", "*99#"),
    ("T", "internet"), ("T", "user"), ("T", "secret"), ("T", "51.4523"), ("I", 1),
    ("T", "5.0705"), ("I", 0), ("T", "0.4567"), ("I", 1), ("T", "120.1234"), ("I", 0), ("I", 3),
    ("T", "6082"), ("T", "6048"), ("T", ""), ("I", 1), ("T", "7"), ("T", "100"), ("T", "30"),
    ("I", 1), ("T", "1000"), ("I", 1), ("I", 3), ("I", 2), ("I", 1), ("T", "128"), ("T", "5"),
    ("I", 1),
]


def configuration(values):
    lines = [quoted(v) if k == "T" else str(v).encode() for k, v in values]
    return b"".join(line + b"\r\n" for line in lines)


startup_default = [("T", "V6.X")] + [("I", 0) if k == "I" else ("T", "") for k, _ in valid[1:]]
startup_default[36] = ("T", "6048")
startup_default[48] = ("T", "0")
startup_default[49] = ("T", "0")
v6 = configuration([("T", "V6.X")] + valid[1:])
v7 = configuration(valid)

put("configuration_file", "valid", v7)
put("configuration_file", "startup", configuration(startup_default))
put("configuration_file", "fifty_lines", b"".join(v7.split(b"\r\n")[:50]) + b"\r\n")
put("configuration_file", "fields_on_one_line", v7.replace(b"\r\n", b",", 10))

for name in ("sample_table.txt", "startup_table.txt"):
    put("location_table_file", name, open(os.path.join(data, "location_table", name), "rb").read())
    put("server_gps_image", name, open(os.path.join(data, "location_table", name), "rb").read())
table = b"".join(quoted(str(r)) + b"," + quoted("51.4523") + b"," + quoted("0.4567") + b"\r\n"
                 for r in range(100))
put("location_table_file", "full_table", table)
put("server_gps_image", "full_table", table)
put("server_gps_image", "unquoted", b"1,12.50,-0.25\r\n2,255,255\r\n")

for i, text in enumerate(["12.5", " - 3 . 2E+4", "&H1F", "&o17", "1D308", "", "1e400",
                          "abc", "255.9", "51.43675", "-0", "1,5", ".5e-3x"]):
    put("numeric_value", "text%02d" % i, text.encode("latin-1"))

put("server_configuration_image", "v7", b"CONFIG,V007\n" + v7)
put("server_configuration_image", "v6", b"CONFIG,V007\n" + v6)
v1 = v7.split(b"\r\n")
v1[0] = b'"V1.X"'
v1 = v1[:45] + [b'"12"', b'"3"', b'"30"', b'"7"'] + v1[45:]
put("server_configuration_image", "v1_further_values", b"CONFIG,V007\n" + b"\r\n".join(v1))
put("server_configuration_image", "short_request", b"CONFIG\n" + v7)


def script(events):
    """A script of the request fuzzer: events are ("unit"|"stranger", bytes) or ("tick",).
    The datagrams come first, then the choice of each event, read from the end."""
    front = b"".join(e[1].replace(b"\\", b"\\\\") + b"\\x" for e in events if e[0] != "tick")
    return front + bytes({"tick": 0, "stranger": 1, "unit": 2}[e[0]] for e in reversed(events))


ack = ("unit", b"VORT01")
put("server_request", "upload", script([("unit", b"UPLOAD,V610")] + [ack] * 3))
put("server_request", "config", script([("unit", b"CONFIG,V007")] + [ack] * 6))
put("server_request", "gpsloc", script([("unit", b"GPSLOC")] + [ack] * 7))
put("server_request", "refused_then_timeouts",
    script([("unit", b"CONFIG,V007"), ("unit", b"VORT00")] + [("tick",)] * 30))
put("server_request", "stranger_during_transfer",
    script([("unit", b"GPSLOC"), ("stranger", b"UPLOAD,V610"), ack, ("stranger", b"VORT01"), ack]))
put("server_request", "escape_attempt", script([("unit", b"UPLOAD,../..")] + [ack] * 2))
put("server_request", "all_three", script([("unit", b"UPLOAD,V610CONFIGGPSLOC")] + [ack] * 3))
