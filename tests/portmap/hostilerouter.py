#!/usr/bin/env python3
"""A router that misbehaves, for the port-mapping tests; run only inside the test's own
network namespace (homenetwork.sh starts it in the router's). It answers discovery on
ADDRESS and serves on ADDRESS:PORT, as KIND says:
  endless  a chunked description that never ends (256 MiB, then silence; never a last chunk)
  drip     a description one byte every 3 s
  silent   300 devices announced, none of which ever answers
  fault    a gateway that refuses every mapping with the errorCode 4294967296
  stall    a gateway that maps once, then lets every later request drip
Usage: hostilerouter.py KIND ADDRESS PORT"""
import socket
import struct
import sys
import threading
import time

kind, address, port = sys.argv[1], sys.argv[2], int(sys.argv[3])
IGD = "urn:schemas-upnp-org:device:InternetGatewayDevice:1"
SERVICE = "urn:schemas-upnp-org:service:WANIPConnection:1"
DEVICES = 300 if kind == "silent" else 1

DESCRIPTION = f"""<?xml version="1.0"?>
<root xmlns="urn:schemas-upnp-org:device-1-0"><specVersion><major>1</major><minor>0</minor></specVersion>
<device><deviceType>{IGD}</deviceType><friendlyName>router</friendlyName>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>
<serviceList><service><serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1</serviceType>
<serviceId>urn:upnp-org:serviceId:WANCommonIFC1</serviceId><controlURL>/cif</controlURL>
<eventSubURL>/cifevt</eventSubURL><SCPDURL>/cif.xml</SCPDURL></service></serviceList>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>
<serviceList><service><serviceType>{SERVICE}</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId>
<controlURL>/ctl</controlURL><eventSubURL>/evt</eventSubURL><SCPDURL>/scpd.xml</SCPDURL></service></serviceList>
</device></deviceList></device></deviceList></device></root>
""".encode()


def envelope(body):
    return (b'<?xml version="1.0"?>\r\n<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
            b's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body>' + body +
            b"</s:Body></s:Envelope>\r\n")


def response(action, inner=b""):
    return envelope(b'<u:%sResponse xmlns:u="%s">%s</u:%sResponse>' % (action, SERVICE.encode(), inner, action))


def fault(code):
    return envelope(b"<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>"
                    b'<UPnPError xmlns="urn:schemas-upnp-org:control-1-0"><errorCode>' + code +
                    b"</errorCode><errorDescription>refused</errorDescription></UPnPError></detail></s:Fault>")


def whole(status, body):
    return b"HTTP/1.1 %s\r\nContent-Type: text/xml\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % (
        status, len(body)) + body


def hold(conn):
    # Keeps the connection open and says nothing more, until the test ends us.
    while True:
        time.sleep(60)


def drip(conn, data):
    for i in range(len(data)):
        conn.sendall(data[i:i + 1])
        time.sleep(3)
    hold(conn)


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        more = conn.recv(65536)
        if not more:
            return b"", b""
        data += more
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":", 1)[1])
    while len(body) < length:
        more = conn.recv(65536)
        if not more:
            break
        body += more
    return head, body


mapped_once = threading.Event()


def serve(conn):
    try:
        head, body = read_request(conn)
        if kind == "silent":
            hold(conn)
        if head.startswith(b"GET "):
            if kind == "endless":
                conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n")
                chunk = b"10000\r\n" + b"<" * 0x10000 + b"\r\n"
                for _ in range(4096):  # 256 MiB
                    conn.sendall(chunk)
                hold(conn)
            if kind == "drip":
                drip(conn, whole(b"200 OK", DESCRIPTION))
            conn.sendall(whole(b"200 OK", DESCRIPTION))
            return
        action = head.split(b"#", 1)[1].split(b'"', 1)[0] if b"#" in head else b""
        if action == b"GetStatusInfo":
            reply = whole(b"200 OK", response(action, b"<NewConnectionStatus>Connected</NewConnectionStatus>"
                                              b"<NewLastConnectionError>ERROR_NONE</NewLastConnectionError>"
                                              b"<NewUptime>100</NewUptime>"))
        elif action == b"GetExternalIPAddress":
            reply = whole(b"200 OK", response(action, b"<NewExternalIPAddress>11.22.33.44</NewExternalIPAddress>"))
        elif kind == "stall" and action == b"AddPortMapping" and not mapped_once.is_set():
            mapped_once.set()
            reply = whole(b"200 OK", response(action))
        elif kind == "stall":
            drip(conn, whole(b"200 OK", response(action)))
        else:
            reply = whole(b"500 Internal Server Error", fault(b"4294967296"))
        conn.sendall(reply)
    except OSError:
        pass
    finally:
        conn.close()


def http(server):
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


def ssdp():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("239.255.255.250", 1900))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                 struct.pack("4s4s", socket.inet_aton("239.255.255.250"), socket.inet_aton(address)))
    reply = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    reply.bind((address, 0))
    print("ready", flush=True)
    while True:
        data, sender = s.recvfrom(4096)
        if not data.startswith(b"M-SEARCH"):
            continue
        st = b""
        for line in data.split(b"\r\n"):
            if line.lower().startswith(b"st:"):
                st = line.split(b":", 1)[1].strip()
        print("search", st.decode("latin-1"), "from", sender[0], flush=True)
        if st not in (IGD.encode(), b"upnp:rootdevice", b"ssdp:all"):
            continue
        for i in range(DEVICES):
            reply.sendto(b"HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: %s\r\n"
                     b"USN: uuid:3f7d8a52-6b1e-4c47-9d55-%012d::%s\r\nEXT:\r\nSERVER: Linux UPnP/1.1 test/1\r\n"
                     b"LOCATION: http://%s:%d/dev%d.xml\r\n\r\n" % (st, i, st, address.encode(), port, i), sender)


# Listening before "ready" is said.
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((address, port))
listener.listen(1024)
threading.Thread(target=http, args=(listener,), daemon=True).start()
ssdp()
