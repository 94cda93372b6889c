#!/usr/bin/env python3
"""The storage-engine, AFS and NV views end to end: objscope dumps the "afs",
"nv" and "tgt-spef-mockup" screens of the sample storage process, whose
objects come from record files written here at explicit byte offsets.

usage: objscope_views_engine_e2e.py <objscope> <sample_storage>
"""
import os
import struct
import sys
import tempfile

from objscope_e2e_util import SampleStorage, expect_in_order, run_commands


def generic_device():
    """Type 154 "generic devices", 112 bytes."""
    rec = bytearray(112)
    struct.pack_into("<QIIII", rec, 0, 3, 1, 2, 0, 4096)
    struct.pack_into("<5I", rec, 24, 100, 4000, 0, 0, 10)  # read size counter
    struct.pack_into("<I", rec, 104, 3)
    return rec


def nafs_file():
    """Type 157 "NAFS files", 48 bytes: the size first, the ids after it."""
    rec = bytearray(48)
    struct.pack_into("<QIII", rec, 0, 4096, 7, 1, 2)
    struct.pack_into("<QIIII", rec, 24, 3, 4, 5, 6, 8)
    return rec


def nv_hash():
    """Type 175 "NV-Hash", 966 bytes; its occupancy distribution is all zeros."""
    rec = bytearray(966)
    rec[0:2] = b"HT"
    rec[20:21] = b"V"
    rec[40:60] = b"K" * 20  # a key type name without NUL
    rec[60:61] = b"h"
    struct.pack_into("<5Q", rec, 900, 1, 2, 5, 6, 4096)
    struct.pack_into("<6IH", rec, 940, 7, 8, 9, 16, 0, 1, 4)
    return rec


def nv_list():
    """Type 174 "NV-DList", 98 bytes."""
    rec = bytearray(98)
    rec[0:2] = b"ok"
    rec[20:23] = b"Rec"
    struct.pack_into("<H", rec, 40, 8)
    rec[42:44] = b"LT"
    struct.pack_into("<QQQIQ", rec, 62, 10, 20, 3, 0, 100)
    return rec


RECORDS = {154: generic_device(), 157: nafs_file(), 175: nv_hash(), 174: nv_list(),
           60: bytes(4)}

AFS_TEXT = [
    "Screen: AFS devices",
    "generic devices (1 objects) [ 0 ]",
    "0: devId:3 backendId:1 refCount:2 devState:0 blockSizeInBytes:4096",
    " readSizeBwc: Average:400 Event:10",
    " writeSizeBwc: Average:0 Event:0",
    " readLatencyBwc: Average:0 Event:0",
    " writeLatencyBwc: Average:0 Event:0",
    " submittedIosCount:3",
    "NAFS files      (1 objects) [ 0 ]",
    "0: featId:1 fileId:2",
    "sizeInBytes: 4096 genNum:7 devId:3 inodeIdx:4",
    " fileCacheRefCount:5 fileFlags:6 intervalsNum:8",
]

NV_TEXT = [
    "Screen: NV data-structs",
    "NV-Hash*",
    "0:Hash Type: HT Hash Name: h Num buckets: 16",
    "Value Type: V Key Type: " + "K" * 20 + " Offset size(bytes): 4",
    " Keyless hash: 0 Is Restricted hash type: 1",
    "Num elements:5 Max elements: 6 Head offset: 1 Tail offset: 2",
    "Data sizes in bytes: Total metadata: 4096 Bucket control: 7 Control: 8 Tsp: 9",
    "       Bucket Occupancy - Distribution:",
    "              Min: 0 (expected: 0)  Max: 0 (expected: 0)",
    "              Total valid Samples: 0   Out of Range Samples: 0",
    "              =Cannot display statistics details at this time=",
    "NV-DList*",
    "0:List type: LT Data type: Rec list type no data: 0 State: ok Offset size (Bytes): 8",
    "Num used nodes: 3 Max nodes: 100 head offset: 10 tail offset: 20",
]

NV_XML = [
    "<NV_data-structs>",
    '\t<NV-Hash id="0">',
    "\t\t<HashTypeName>HT</HashTypeName>",
    "\t\t<numBuckets>16</numBuckets>",
    "\t\t<tailOffset>2</tailOffset>Data sizes in bytes: ",
    "\t\t<metadataSizeInBytes>4096</metadataSizeInBytes>",
    "\t\t<tspSizeInBytes>9</tspSizeInBytes>",
    "\t\t<bucketOccupancyHist>       Bucket Occupancy - Distribution:",
    "              =Cannot display statistics details at this time=",
    "</bucketOccupancyHist>",
    "\t</NV-Hash>",
    '\t<NV-DList id="0">',
    "\t\t<ListTypeName>LT</ListTypeName>",
    "\t\t<tailOffset>20</tailOffset>",
    "\t</NV-DList>",
    "</NV_data-structs>",
]

MOCKUP_TEXT = [
    "Screen: SPEF mockup",
    "0:",
    "",
    "To generate a read checksum error from SPEF(mockup): (command syntax in main screen)",
    "configobj 0 SpefMockup read_checksum_error [comb_data(default)|meta_data|device_data]",
]


def add_records(server, workdir):
    for type_id, rec in RECORDS.items():
        path = os.path.join(workdir, f"{type_id}.bin")
        with open(path, "wb") as f:
            f.write(rec)
        answer = server.command(f"add {type_id} {path} 1")
        if not answer.startswith("ok"):
            raise SystemExit(f"the sample process refused type {type_id}: {answer!r}")


def dump(objscope, port, screens):
    commands = f"connect tgt 127.0.0.1 {port}\n"
    commands += "".join(f"dumpscreen {screen}\n" for screen in screens) + "exit\n"
    return run_commands(objscope, commands)


def main():
    objscope, storage = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="objscope_views_engine_") as workdir:
        with SampleStorage(storage, "tgt") as server:
            add_records(server, workdir)
            port = server.port
            expect_in_order(dump(objscope, port, ["afs"]), AFS_TEXT, "afs")
            expect_in_order(dump(objscope, port, ["nv"]), NV_TEXT, "nv")
            expect_in_order(dump(objscope, port, ["nv xml"]), NV_XML, "nv xml")
            expect_in_order(dump(objscope, port, ["tgt-spef-mockup"]), MOCKUP_TEXT, "mockup")
        print("engine object views end to end: ok")


if __name__ == "__main__":
    main()
