#!/usr/bin/env python3
"""Writes an unsigned catalogue (a certificate trust list in a PKCS #7 envelope without
signers) that lists FILE... by their SHA-1 hashes: the program image's, which Windows looks
up, and the whole file's, which Wine does. osslsigncode signs it.
Usage: make-catalog.py OUT.cat FILE..."""
import hashlib
import struct
import sys
import time


def tlv(tag, body):
    n = len(body)
    if n < 0x80:
        size = bytes([n])
    else:
        raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
        size = bytes([0x80 | len(raw)]) + raw
    return bytes([tag]) + size + body


def seq(*items):
    return tlv(0x30, b"".join(items))


def oid(dotted):
    parts = [int(p) for p in dotted.split(".")]
    body = bytes([40 * parts[0] + parts[1]])
    for p in parts[2:]:
        chunk = [p & 0x7F]
        p >>= 7
        while p:
            chunk.append(0x80 | (p & 0x7F))
            p >>= 7
        body += bytes(reversed(chunk))
    return tlv(0x06, body)


def image_hash(data):
    """SHA-1 of a PE image as Authenticode hashes it: all but the checksum, the certificate
    table's directory entry and the table itself."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (112 if magic == 0x20B else 96)
    cert_entry = dirs + 4 * 8
    table, table_size = struct.unpack_from("<II", data, cert_entry)
    end = table if table_size else len(data)
    h = hashlib.sha1()
    h.update(data[:opt + 64])
    h.update(data[opt + 68:cert_entry])
    h.update(data[cert_entry + 8:end])
    return h.digest()


def member(digest):
    tag = (digest.hex().upper() + "\0").encode("utf-16-le")
    indirect = seq(
        seq(oid("1.3.6.1.4.1.311.2.1.15"),  # a program image
            seq(tlv(0x03, b"\x00"), tlv(0xA0, tlv(0xA2, tlv(0x80, b""))))),
        seq(seq(oid("1.3.14.3.2.26"), tlv(0x05, b"")), tlv(0x04, digest)))
    guid = "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}".encode("utf-16-be")
    info = seq(tlv(0x1E, guid), tlv(0x02, b"\x02\x00"))
    return seq(tlv(0x04, tag), tlv(0x31, b"".join([
        seq(oid("1.3.6.1.4.1.311.2.1.4"), tlv(0x31, indirect)),
        seq(oid("1.3.6.1.4.1.311.12.2.2"), tlv(0x31, info))])))


def main():
    out, files = sys.argv[1], sys.argv[2:]
    members = []
    for f in files:
        data = open(f, "rb").read()
        for digest in sorted({hashlib.sha1(data).digest(), image_hash(data)}):
            members.append(member(digest))
    now = time.strftime("%y%m%d%H%M%SZ", time.gmtime()).encode()
    ctl = seq(
        seq(oid("1.3.6.1.4.1.311.12.1.1")),           # used as a catalogue list
        tlv(0x04, hashlib.md5(b"".join(members)).digest()),
        tlv(0x17, now),
        seq(oid("1.3.6.1.4.1.311.12.1.2"), tlv(0x05, b"")),  # members named by hash
        seq(*members))
    # An unsigned PKCS #7 envelope around it, with the list as the content itself (not in an
    # OCTET STRING as CMS would put it), ready for osslsigncode to sign.
    envelope = seq(oid("1.2.840.113549.1.7.2"), tlv(0xA0, seq(
        tlv(0x02, b"\x01"), tlv(0x31, b""),
        seq(oid("1.3.6.1.4.1.311.10.1"), tlv(0xA0, ctl)),
        tlv(0x31, b""))))
    open(out, "wb").write(envelope)


main()
