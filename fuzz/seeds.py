#!/usr/bin/env python3
"""Writes the seed corpus (fuzz/corpus/<target>/) from a hand-written session.

Each target reads its input as a stream of decisions (fuzz/fuzzinput.h): a byte
picks among n choices by its value modulo n, and a counted string is a length byte
then the bytes. The helpers below spell those decisions out, so the seeds start the
fuzzer inside real games rather than at the front door. Run it again after changing
how a target reads its input; the tally seed needs the lzrw1kh tool (argument 1).
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
T = b"\xff"


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def counted(data):
    assert len(data) <= 255
    return bytes([len(data)]) + data


# ---- a session as it travels, both directions ------------------------------------
SESSION_TO_HOST = [
    b"CMD_logininfo+1+1.0.7+Ann", b"CMD_botspeed+1+500+", b"CMD_chat+1+hello|clBlack",
    b"CMD_startgame+Ann+0+0+f+", b"CMD_rollthedice+1+1+2+3+4+5+6+7+8+9+10",
    b"CMD_rollthedice+1+4+5+9", b"CMD_alldone+1+1+2+3+6+7+8", b"CMD_action+1+waves|$00FF0000",
    b"CMD_justwatch+1+1", b"CMD_justwatch+1+2", b"CMD_kickhim+1+3+", b"CMD_alldone+1+none",
]
SESSION_TO_TABLE = [
    b"CMD_sendlogininfo+1", b"CMD_newplayerinfo+1+Ann", b"CMD_existingplayers+3+Bob",
    b"CMD_newplayerinfo+6+Cid", b"CMD_startgame+Ann+0+0+f+", b"CMD_nextplayer+1+1+1+",
    b"CMD_createdice+1+1+1+3+2+2+4+1+3+1+4+4+0+3+5+9+1+6+10+2+7+7+3+8+6+4+9+8+1+10+10+2",
    b"CMD_scores+1+1+21+21+0+none+1+2+5+6+7+8", b"CMD_nextplayer+2+1+1+",
    b"CMD_noscore+2+none", b"CMD_markoff+3+4+", b"CMD_justwatching+2+1",
    b"CMD_chat+Ann chats: hi|clBlue", b"CMD_playerdisconnected+3+Bob",
    b"CMD_loadstats+1+2+3+4+2+10+20+30+40+1+3+2+5+9+1",
    b"CMD_loadpscores+1+1+1+21+2+11+40+3+12+40", b"CMD_winner+Ann and Klot+",
    b"CMD_havewrongversion+Bob", b"CMD_wrongversion+",
]


def framing_seeds():
    stream = b"".join(m + T for m in SESSION_TO_HOST + SESSION_TO_TABLE)
    put("framing", "session-whole", bytes([0]) + stream)
    # The same stream cut into pieces of 7, 1 and 40 bytes.
    for cut in (7, 1, 40):
        pieces = [stream[i:i + cut] for i in range(0, len(stream), cut)][:15]
        body = b"".join(counted(p) for p in pieces[:-1]) + pieces[-1]
        put("framing", "session-cut%d" % cut, bytes([len(pieces) - 1]) + body)
    put("framing", "empty-and-unknown", bytes([2]) + counted(T + T + b"cmd_chat+x" + T) + b"CMD_chat" + T)


# ---- the host: op codes of fuzz_host.cpp's step() --------------------------------
ACCEPT, RAW, REQUEST, TICK, DRAIN, PAUSE, COMPUTER, CLOSE, CLOCK = 0, 1, 2, 4, 5, 6, 7, 9, 12
STARTGAME, ROLL, ALLDONE, REJOIN = 1, 7, 9, 11


def request(sender, kind, *extra):
    # flag byte 0: the sender is the given record (1 + below(9)); below(5) != 0: own seat
    return bytes([REQUEST, 0, sender - 1, 1, kind]) + bytes(extra)


def arrive(name):
    # A connection arrives and logs in at once (below(4) != 0), with this build's version.
    return bytes([ACCEPT, 1, 1]) + counted(name)


def clock(seconds, deadline=0):
    # The clock moves on; a flag of 1 fires the log-in deadline's timer.
    return bytes([CLOCK, seconds, deadline])


def host_seeds():
    ops = bytes([1, 7])  # the seat tokens' seed; the dice's seed
    ops += arrive(b"P1") + arrive(b"P2") + arrive(b"P3")
    ops += request(1, 3, 1) + request(1, STARTGAME) + bytes([DRAIN])  # bot speed, start
    ops += request(3, 2, 1) + bytes([DRAIN])  # seat 3 just watches: the computer plays it
    for turn in range(30):
        # The seat whose turn it is rolls everything, rolls again, and ends the turn.
        ops += bytes([REQUEST, 1, 1, ROLL, 0xFF, 0x03, DRAIN])
        ops += bytes([REQUEST, 1, 1, ROLL, 0x0F, 0x00, DRAIN])
        ops += bytes([REQUEST, 1, 1, ALLDONE, 0xFF, 0x03, DRAIN]) + clock(3)
        ops += bytes([PAUSE]) * 5 + bytes([COMPUTER, COMPUTER, COMPUTER]) * 3
    put("host", "two-players-and-klot", ops)
    crowd = bytes([0, 3]) + b"".join(arrive(b"P%d" % r) for r in range(1, 10)) + bytes([ACCEPT])
    crowd += bytes([DRAIN, CLOSE, 3]) + arrive(b"Dee") + bytes([DRAIN])  # record 2 leaves, one arrives
    put("host", "full-table", crowd)
    # Seat 2 drops during the game and comes back on a new connection with its secret;
    # a stranger who never logs in is closed at the deadline.
    back = bytes([5, 9]) + arrive(b"Ann") + arrive(b"Bob") + request(1, STARTGAME) + bytes([DRAIN])
    back += bytes([CLOSE, 3]) + arrive(b"Bob") + bytes([DRAIN]) + request(3, REJOIN, 1) + bytes([DRAIN])
    back += bytes([ACCEPT, 0]) + clock(11, 1)
    for turn in range(4):
        back += bytes([REQUEST, 1, 1, ROLL, 0xFF, 0x03, DRAIN, REQUEST, 1, 1, ALLDONE, 0xFF, 0x03, DRAIN])
        back += bytes([PAUSE]) * 5 + bytes([COMPUTER, COMPUTER, COMPUTER]) * 3
    put("host", "seat-comes-back", back)
    # The computer plays every seat until somebody wins.
    end = bytes([2, 4]) + arrive(b"Ann") + request(1, 3, 1) + request(1, STARTGAME) + bytes([DRAIN])
    end += request(1, 2, 1) + bytes([DRAIN])
    while len(end) < 1150:
        end += bytes([COMPUTER, COMPUTER, COMPUTER, COMPUTER, PAUSE, PAUSE, PAUSE, PAUSE, PAUSE])
    put("host", "computer-to-the-end", end)
    # Numbers that are not numbers, from a player and from a connection still to log in.
    bad = bytes([3, 5]) + arrive(b"Ann") + bytes([DRAIN, ACCEPT, 0])
    for record, text in ((1, b"CMD_chat+x1+hi|clRed"), (1, b"CMD_action+1x+waves|clRed"),
                         (1, b"CMD_kickhim+1+2x+"), (1, b"CMD_rollthedice+1+1+x"),
                         (2, b"CMD_logininfo+2x+1.0.7+Bob"), (2, b"CMD_logininfo+2+1.0.7+Bob")):
        bad += bytes([RAW, record + 1]) + counted(text) + bytes([DRAIN])
    put("host", "bad-numbers", bad)


# ---- the table: op codes of fuzz_table.cpp's step() ------------------------------
def table_seeds():
    ini = b"[Vimbrel]\r\nTextsize=10\r\nTextcolor=clNavy\r\nBotspeed=500\r\nPhrase1=/me waves\r\n"
    ops = counted(ini) + bytes([1])  # settings file, then: this table hosts
    for m in SESSION_TO_TABLE:
        ops += bytes([3]) + counted(m) + bytes([4, 5])
    ops += bytes([6, 3, 1, 7, 0, 7, 1, 9])
    put("table", "session", ops)
    # Names that try to be markup, then the window is laid out and painted (op 8, flag 0).
    hostile = [b"CMD_sendlogininfo+1", b"CMD_newplayerinfo+1+<b>Ann</b>",
               b'CMD_existingplayers+2+<img src="/dev/zero">', b"CMD_newplayerinfo+6+&lt;Cid&gt;",
               b"CMD_startgame+<b>Ann</b>+0+0+f+", b"CMD_nextplayer+2+1+<i>1</i>",
               b'CMD_winner+<img src="/dev/zero"> and <b>Ann</b>+']
    ops = counted(b"") + bytes([1])
    for m in hostile:
        ops += bytes([3]) + counted(m) + bytes([4, 8, 0])
    put("table", "hostile-names", ops)


def settings_seeds():
    ini = (b"; shared with the lobby\r\n[Zumvek]\r\nName=Ann\r\n\r\n[Vimbrel]\r\nTextsize=10\r\n"
           b"Textcolor=$00FF0000\r\nPhrase1=/me waves, \"hi\"\r\nTop=3\r\nLeft=3\r\n")
    put("settings", "lobby-and-game", bytes([3]) + counted(ini[:255]) + counted(b"") + bytes(range(12)))
    put("settings", "no-sections", bytes([1]) + counted(b"key=value\nnoequals\n=x\n") + counted(b""))


def router_seeds():
    with open(os.path.join(HERE, "..", "tests", "portmap", "hostilerouter.py"), "rb") as f:
        script = f.read()
    # The misbehaving test router's description is an honest gateway's.
    start = script.index(b'<?xml version="1.0"?>\n<root')
    description = script[start:script.index(b'""".encode()', start)].replace(
        b"{IGD}", b"urn:schemas-upnp-org:device:InternetGatewayDevice:1").replace(
        b"{SERVICE}", b"urn:schemas-upnp-org:service:WANIPConnection:1")
    put("router", "description", bytes([0]) + counted(b"http://10.77.0.1:5555/rootDesc.xml") + description)
    envelope = (b'<?xml version="1.0"?>\r\n<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
                b's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body>%s</s:Body></s:Envelope>\r\n')
    service = b"urn:schemas-upnp-org:service:WANIPConnection:1"
    put("router", "mapped", bytes([1, 0]) + envelope % (b'<u:AddPortMappingResponse xmlns:u="%s"/>' % service))
    put("router", "external", bytes([1, 2]) + envelope % (
        b'<u:GetExternalIPAddressResponse xmlns:u="%s"><NewExternalIPAddress>11.22.33.44'
        b'</NewExternalIPAddress></u:GetExternalIPAddressResponse>' % service))
    put("router", "refused-out-of-range", bytes([1, 0]) + envelope % (
        b"<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>"
        b'<UPnPError xmlns="urn:schemas-upnp-org:control-1-0"><errorCode>4294967296</errorCode>'
        b"<errorDescription>refused</errorDescription></UPnPError></detail></s:Fault>"))
    put("router", "report", bytes([2]) + b"outcome mapped\ncode 0\nlease 3600\nexternal 11.22.33.44\n"
        b"control http://10.77.0.1:5555/ctl\nservice " + service + b"\nlan 10.77.0.2\n")


def tally_seeds(tool):
    grid = b"9\r\n2\r\n\r\nBob\r\n3\r\n1\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
    put("tally", "grid", bytes([3]) + grid)
    put("tally", "plain", bytes([1]) + grid * 4)
    with tempfile.TemporaryDirectory() as tmp:
        plain, packed = os.path.join(tmp, "t.txt"), os.path.join(tmp, "t.tld")
        with open(plain, "wb") as f:
            f.write(grid * 20)
        subprocess.run([tool, "compress", plain, packed], check=True)
        with open(packed, "rb") as f:
            data = f.read()
    put("tally", "compressed", bytes([0]) + data)
    put("tally", "block", bytes([2]) + data[12:])


if __name__ == "__main__":
    framing_seeds()
    host_seeds()
    table_seeds()
    settings_seeds()
    router_seeds()
    if len(sys.argv) > 1:
        tally_seeds(sys.argv[1])
