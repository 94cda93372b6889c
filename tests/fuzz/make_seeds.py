#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets listed below into
tests/fuzz/corpus/<name>/: a handful of valid inputs each, built from
the formats the targets document in their head comments. Run it from
anywhere; it rewrites only the seed files it names."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    d = os.path.join(ROOT, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def u32(*values):
    return b"".join(struct.pack("<I", v) for v in values)


# --- debug-port connection: header {magic, payload size, response size} ---
MAGIC = 0x8DB9ABDE


def req(payload, expected):
    return u32(MAGIC, len(payload), expected) + payload


def cmd_req(command, type_id, index, args):
    fields = b"".join(a.ljust(64, b"\0") for a in args)
    return u32(6, command, type_id, index, len(args)) + fields


def sdbg_conn():
    t = "fuzz_mos_sdbg_conn"
    write(t, "server_type", req(u32(3), 8))
    write(t, "count_hash", req(u32(1, 9), 8))
    write(t, "all_threads", req(u32(2, 4), 20 + 4 * (32 + 12)))
    write(t, "all_cpu_padded", req(u32(2, 3), 400))
    write(t, "by_index", req(u32(4, 2, 9, 0, 3, 0), 16 + 24 + 68 + 36))
    write(t, "perf_reset", req(cmd_req(1, 151, 0, [b"all"]), 4))
    write(t, "tracker_dump", req(cmd_req(1, 147, 0, []), 4))
    write(t, "xmti_activate", req(cmd_req(1, 171, 0, [b"activate", b"leaf"]), 4))
    write(t, "xmti_query", req(u32(2, 171), 4096))
    write(t, "unsupported_then_type",
          req(u32(5), 4) + req(u32(3), 8) + req(u32(1, 11), 8))
    write(t, "response_too_small", req(u32(2, 9), 8))
    write(t, "bad_magic", u32(0x12345678, 4, 8) + u32(3))
    write(t, "payload_too_big", u32(MAGIC, 1301, 8))


# --- kmodctl command lines: byte 0 the vector slot, then the line ---
def kmodctl_cmdline():
    t = "kmodctl_cmdline"
    lines = {
        "version": (1, "--query_version"),
        "add_mdm": (1, "--add_mdm --ip 10.0.0.1,10.0.0.2,,fe80::1"),
        "add_mdm_v130": (0, "--add_mdm --ip=192.168.1.7"),
        "mod_mdm_ip": (2, "--mod_mdm_ip --ip 1.2.3.4 --new_mdm_ip ::1,2001:db8::5"),
        "mod_only_cfg": (1, "--mod_mdm_ip --only_cfg --file m.cfg --ip 1.2.3.4 --new_mdm_ip 5.6.7.8"),
        "lb_info": (3, "--query_lb_info --mdm_id 1a2b --vol_id ff00 --start_lb 100 --size_in_bytes 8192"),
        "set_guid": (1, "--set_guid --guid 01234567-89AB-CDEF-0123-456789ABCDEF"),
        "boot_wait": (1, "--boot_wait --seconds 5"),
        "dyn_param": (1, "--set_dynamic_parameter --mdm_id 7 --dynamic_parameter_name retries "
                         "--dynamic_parameter_value -3"),
        "trace_freq": (1, "--set_trace_component_freq --trace_component NET --trace_freq 3"),
        "query_vols": (2, "--query_vols --tech"),
        "two_mains": (1, "--query_mdms --query_tgts"),
    }
    for name, (slot, line) in lines.items():
        write(t, name, bytes([slot]) + line.encode())


# --- driver open: byte 0 interfaces, then {status, u16 length, bytes} ---
def reply(body, status=0):
    return bytes([status]) + struct.pack("<H", len(body)) + body


def frame(record):
    return b"\0" * 8 + record


def version_record(text):
    return frame(u32(0, 0) + text.encode().ljust(50, b"\0"))


def vector_record(slots):
    return frame(u32(0, 0, len(slots)) + u32(*slots))


def driver_open():
    t = "kmodctl_driver_open"
    probe = reply(frame(u32(0, 0)))
    v200 = [1] * 28
    write(t, "v200", bytes([0]) + probe + reply(version_record("2.0.1000")) +
          reply(vector_record(v200)) + reply(version_record("2.0.1000")))
    write(t, "v300_mixed", bytes([0]) + probe + reply(version_record("3.0.200")) +
          reply(vector_record([3, 2, 1, 0] * 7)) + reply(version_record("3.0.200")))
    # A vector longer than the first capacity: asked again at its length.
    write(t, "vector_twice", bytes([0]) + probe + reply(version_record("3.0.1")) +
          reply(frame(u32(0, 0, 40)) + b"") + reply(vector_record([1] * 40)) +
          reply(version_record("3.0.1")))
    # The v1.30 transport: the current probe fails, the old one answers.
    write(t, "v130", bytes([0]) + reply(b"", 1) + reply(b"\0" * 8) +
          reply(frame(u32(5, 0)), 0) + reply(b"\0" * 8 + b"1.30.77".ljust(50, b"\0")) +
          reply(b"\0" * 8 + b"1.30.77".ljust(50, b"\0")))
    # Two interfaces: the first does not answer the probe.
    write(t, "second_device", bytes([1]) + reply(b"", 1) + reply(b"", 1) + probe +
          reply(version_record("2.0.0")) + reply(vector_record(v200)))


# --- size reduction: mode, units, share, block bytes, reduced bytes ---
def srm():
    t = "fuzz_mos_srm"
    text = (b"the quick brown fox jumps over the lazy dog " * 100)[:4096]
    write(t, "lz_text_block", bytes([0x02 | 0, 0, 60, 0x41, 0x00, 0x10]) + text)
    write(t, "lzh_text_block", bytes([0x05, 0, 80, 0x00, 0x02, 0x00]) + text)
    write(t, "zero_block_linear", bytes([0x02, 1, 50, 0x00, 0x00, 0x00]))
    write(t, "byte_halves_differ", bytes([0x08, 3, 50, 0x7E, 0x03, 0x44]) + b"\x01\x00\x00\x00\x7e")
    write(t, "two_units_random", bytes([0x07, 1, 100, 0x11, 0x02, 0x00]) +
          bytes((i * 7919 + 13) & 0xFF for i in range(8192)))


# --- addresses: print size, port, 24-byte record, text ---
def net_address():
    t = "fuzz_mos_net_address"
    texts = {
        "ipv4": "127.0.0.1", "ipv6_loop": "::1", "mapped": "::ffff:10.1.2.3",
        "scoped": "fe80::1%1", "short_ipv4": "10.1", "hex_ipv4": "0x7f.0.0.1",
        "ipv6_doc": "2001:db8::8:800:200c:417a", "broadcast": "255.255.255.255",
    }
    for i, (name, text) in enumerate(texts.items()):
        rec_type = 1 + i % 2
        record = bytes(range(16)) + struct.pack("<IH", rec_type, 6611) + b"\0\0"
        write(t, name, bytes([16 + i * 6, 0x33, 0x19]) + record + text.encode())


# --- viewer command lines ---
def objscope_dispatch():
    t = "fuzz_objscope_dispatch"
    scripts = {
        "help": "help\nhelpcmd showobj\nhelpcmd nothing\nshortcuts\n",
        "types": "objtypes\nServers\nscreens\n",
        "rates": "setrefreshrate 5\ngetrefreshrate\nslh 20\ngetlogicalheight\nslh 0\n",
        "objects": "showobj 3 vol\ndumpobj 1 vol\nconfigobj 1 vol a b c d e f g\n",
        "screens": "dumpscreen 1\ndumpscreen 2 xml\ndumpallscreens xml\n",
        "display": "display 1\nd 2\ndisconnect\nexit\nhelp\n",
    }
    for name, text in scripts.items():
        write(t, name, text.encode())


# --- shared-memory index: header (674 bytes), flag byte, A, 0xFF, B ---
def shm_index():
    t = "fuzz_mos_shm_index"
    magic = b"Borl-Qen-Tarnvox-plim_shmex_os-SHM_GC_MAGIC\0"

    def header(active, stamp=0):
        return (magic + b"\0" * 33 + struct.pack("<i", active) + b"\0" * 585 +
                struct.pack("<Q", stamp))

    write(t, "own_a", header(0) + b"\x01" + b"seg_one\nseg_two\n\xffold_b\n")
    write(t, "own_b", header(1) + b"\x01" + b"old_a\n\xff" + b"n" * 128 + b"\n\nlast")
    write(t, "claimed", header(0, 12345678) + b"\x00" + b"seg\n\xffother\n")
    write(t, "odd_active", header(7) + b"\x01" + b"x\xff" + b"y" * 140)
    write(t, "bad_magic", b"\0" * 674 + b"\x01" + b"a\nb\n")


# --- shared-memory messages: a V20 request's fields ---
def shm_v20():
    t = "fuzz_mos_shm"
    write(t, "v20_create", bytes([0, 0x03]) + struct.pack("<Q", 4096) + b"Seg_Name_1")
    write(t, "v20_delete", bytes([1, 0x04]) + struct.pack("<Q", 0) + b"prefix_")


if __name__ == "__main__":
    shm_index()
    shm_v20()
    sdbg_conn()
    kmodctl_cmdline()
    driver_open()
    srm()
    net_address()
    objscope_dispatch()
