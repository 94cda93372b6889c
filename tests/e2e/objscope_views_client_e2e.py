#!/usr/bin/env python3
"""The network-layer views end to end: objscope dumps the screens that every
module shows ("net", "net-paths", "perf-test") from the sample storage
process, whose objects of those types come from record files.

usage: objscope_views_client_e2e.py <objscope> <sample_storage>

The records are laid out here at explicit byte offsets, apart from the
viewer's own structs; every expected line is written from the views' label
tables.
"""
import os
import struct
import sys
import tempfile

from objscope_e2e_util import SampleStorage, expect_in_order, run_commands


def poll_record():
    """Type 19 "NetPoll", 28 bytes: seven u32 counters."""
    # dummy wakeups, good wakeups, fd set, wakeups, delays, sockets, in array
    return struct.pack("<7I", 1, 2, 3, 4, 5, 6, 7)


def connection_record():
    """Type 22 "NetConnections", 656 bytes."""
    rec = bytearray(656)
    struct.pack_into("<I", rec, 4, 2)            # number of peer host names
    rec[24:29] = b"alpha"
    rec[88:92] = b"beta"
    rec[152:157] = b"gamma"                      # beyond the count
    struct.pack_into("<IIi", rec, 600, 3, 0x1000, 1)  # conType, ownerType, conState
    struct.pack_into("<I", rec, 624, 2)          # pathNum
    struct.pack_into("<Q", rec, 632, 0x1F)       # conId
    return bytes(rec)


def path_manager_record():
    """Type 20 "path-mgr-query", 12 bytes."""
    return struct.pack("<3I", 2, 3, 0)


def path_record():
    """Type 21 "Net-Paths", 232 bytes: the socket record, then the path."""
    rec = bytearray(232)
    struct.pack_into("<I", rec, 0, 9)                            # socket
    rec[4:8] = bytes([127, 0, 0, 1])                             # peer address
    struct.pack_into("<IH", rec, 20, 1, 7072)                    # IPv4, port
    struct.pack_into("<H", rec, 28, 65535)                       # local port
    struct.pack_into("<i", rec, 200, 1)                          # connected
    struct.pack_into("<I", rec, 228, 4096)                       # owner type
    return bytes(rec)


def perf_record():
    """Type 18 "Perf", 600 bytes: five arrays of 16 intervals, name, samples."""
    rec = bytearray(600)
    struct.pack_into("<Q", rec, 0, 30)      # sum of interval 0
    struct.pack_into("<Q", rec, 8, 8)       # sum of interval 1
    struct.pack_into("<Q", rec, 128, 12)    # max of interval 0
    struct.pack_into("<Q", rec, 256, 30)    # last total of interval 0
    struct.pack_into("<Q", rec, 384, 9)     # last of interval 0
    struct.pack_into("<II", rec, 512, 3, 0)  # samples of intervals 0 and 1
    struct.pack_into("<Q", rec, 24, 5)      # sum of interval 3, after a zero sum
    rec[576:579] = b"lat"
    struct.pack_into("<I", rec, 592, 3)
    return bytes(rec)


RECORDS = [(19, poll_record()), (22, connection_record()), (20, path_manager_record()),
           (21, path_record()), (18, perf_record())]

ZERO_STATS = (" #samples:0 max:0.00 #overflows:0 #discards:0 total:0"
              " avg/stddev:0.00/0.00")

TEXT = [
    "Screen: Net objects",
    "NetPoll         (1 objects) [ 0 ]",
    "0: Good polls:2 Fd set:3 Socket listed in poll:6",
    " Socket in poll array:7 Dummy polls:1 Wakeups:4 Poll delays:5",
    "NetConnections  (1 objects) [ 0 ]",
    "0: Con Id:0x1f Con Type:3",
    " Ip addr :alpha   beta   ",
    " Owner Type: Tgt State:1 #paths:2",
    " Bwc-Send:0 bytes/s Latency:0 Micro/io",
    " sendWaiters:0 Recv messages:0 Send messages:0 Usage count:0 Rem In Progress:0",
    " ChannelSend:0 channelRecv:0 timeStamp:0 magicNumber:0 version:0",
    "Screen: Net paths",
    "0:#Reg-Paths:2 #KA-sent:3 #memory-waiters:0",
    "0: socket Socket:9 Peer Addr:Address: 127.0.0.1 Port: 7072 Local Port:65535 state:0"
    " No Delay:0 quick ack:0 Recv buffer:0 Send buffer:0",
    " #sends:0 #recvs:0 #failed-sends:0 #failed-recvs:0 #broken-recvs:0 #broken-sends:0",
    " send bytes:" + ZERO_STATS,
    " receive bytes:" + ZERO_STATS,
    " ownerType:4096 Connected:1 Dying:0 KA-Send:0 KA-Rcv:0 timeStamp:0 magicNumber:0"
    " version:0",
    "Screen: Perf test",
    "0:Name:lat Samples:3",
    "Check Point 0 - 1\t:  Avg: 10 Samples: 3 Max: 12 Last total: 30 Last: 9",
    "Check Point 1 - 2\t:  Avg: 0 Samples: 0 Max: 0 Last total: 0 Last: 0",
]

XML = [
    "<Net_objects>",
    '\t<NetConnections id="0">',
    "\t\t<peerHostNames>",
    "\t\t\t<peerHostName>alpha</peerHostName>",
    "\t\t\t<peerHostName>beta</peerHostName>",
    "\t\t</peerHostNames>",
    "\t\t<ownerType> Tgt</ownerType>",
    "\t</NetConnections>",
    "</Net_objects>*",
    "<Net_paths>",
    '\t<Net-Paths id="0">',
    "\t\t<NetSocketQuery>",
    "\t\t\t<socket>9</socket>",
    "\t\t\t<peerAddr>",
    "\t\t\t<Address>127.0.0.1</Address>",
    "\t\t\t<Port>7072</Port>",
    "\t\t</peerAddr>",
    "\t\t</NetSocketQuery>",
    "\t\t<ownerType>4096</ownerType>",
    "\t</Net-Paths>",
    "<Perf_test>",
    "\t\t<timeArray>Check Point 0 - 1\t:  Avg: 10 Samples: 3 Max: 12 Last total: 30 Last: 9",
    "</timeArray>",
    "\t</Perf>",
]


def main():
    objscope, storage = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="objscope_views_client_") as workdir:
        with SampleStorage(storage, "tgt") as server:
            for type_id, record in RECORDS:
                path = os.path.join(workdir, f"type{type_id}.bin")
                with open(path, "wb") as f:
                    f.write(record)
                server.add(type_id, path)
            for mode, expected in (("", TEXT), ("xml", XML)):
                commands = f"connect tgt 127.0.0.1 {server.port}\n"
                for screen in ("net", "net-paths", "perf-test"):
                    commands += f"dumpscreen {screen} {mode}\n"
                commands += "exit\n"
                out = run_commands(objscope, commands)
                expect_in_order(out, expected, mode or "text")
                if "gamma" in out:
                    raise SystemExit("a host name beyond the count was printed")
        print("network-layer views end to end: ok")


if __name__ == "__main__":
    main()
