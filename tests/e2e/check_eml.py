#!/usr/bin/env python3
"""End to end: a generated store converted to .eml files, read back with
Python's own email package.

  check_eml.py --genstore PATH --quillmere PATH --work DIR [--seed N]

The expected messages come from the store itself: the generator writes each
container as its messages one after another, every one starting with its
"Return-Path: <senderN@...>" line, so the containers are split there and read
with the same email package. Every message must come out exactly once (by
Message-ID), with the same Subject, From, Date and body text, and every
attachment with the bytes it should have: the file from the store's
Attachments folder where the message only references it, its own bytes
otherwise.
"""

import argparse
import email
import email.policy
import os
import re
import shutil
import subprocess
import sys

REFERENCE = b"----------[%ImFilePath%]----------"
MESSAGE_START = re.compile(rb"^Return-Path: <sender\d+@", re.M)


class Mismatch(Exception):
    pass


def parse(data):
    return email.message_from_bytes(data, policy=email.policy.default)


def split_container(data):
    starts = [m.start() for m in MESSAGE_START.finditer(data)]
    return [data[a:b] for a, b in zip(starts, starts[1:] + [len(data)])]


def attachments(msg):
    out = []
    for part in msg.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        if part.get_content_disposition() == "attachment" or name:
            out.append((name, part))
    return out


def body_text(msg):
    body = msg.get_body(preferencelist=("plain", "html"))
    return None if body is None else body.get_content()


def expected_attachments(msg, store):
    expected = []
    for name, part in attachments(msg):
        raw = part.get_payload(decode=False)
        raw = raw.encode("latin-1", "replace") if isinstance(raw, str) else raw
        if raw.lstrip().startswith(REFERENCE):
            ref = raw.lstrip()[len(REFERENCE):].split(b"\r\n")[0].strip().decode()
            path = os.path.join(store, "Attachments", ref)
            with open(path, "rb") as f:
                expected.append((name, f.read()))
        else:
            expected.append((name, part.get_payload(decode=True)))
    return expected


def run(cmd):
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        raise Mismatch("%s failed (%d):\n%s" % (cmd[0], done.returncode, done.stdout.decode(errors="replace")))


def check(args):
    if os.path.exists(args.work):
        shutil.rmtree(args.work)
    store = os.path.join(args.work, "store")
    out = os.path.join(args.work, "out")
    run([args.genstore, "--seed", str(args.seed), "--out", store, "--messages", str(args.messages),
         "--containers", "3"])
    run([args.quillmere, "convert", "--store", store, "--out", out, "--target", "eml"])

    expected = {}
    for container in sorted(os.listdir(store)):
        if not container.endswith(".imm"):
            continue
        with open(os.path.join(store, container), "rb") as f:
            for text in split_container(f.read()):
                msg = parse(text)
                mid = msg["Message-ID"]
                if mid in expected:
                    raise Mismatch("the generator made %s twice" % mid)
                expected[mid] = (container, msg)
    if not expected:
        raise Mismatch("the generated store holds no messages")

    seen = {}
    for folder, _, files in os.walk(out):
        for name in files:
            if not name.endswith(".eml"):
                continue
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                msg = parse(f.read())
            mid = msg["Message-ID"]
            if mid not in expected:
                raise Mismatch("%s: Message-ID %s was not generated" % (path, mid))
            if mid in seen:
                raise Mismatch("%s: Message-ID %s also in %s" % (path, mid, seen[mid]))
            seen[mid] = path
            container, want = expected[mid]
            for field in ("Subject", "From", "Date"):
                if str(msg[field]) != str(want[field]):
                    raise Mismatch("%s: %s is %r, expected %r" % (path, field, str(msg[field]), str(want[field])))
            if body_text(msg) != body_text(want):
                raise Mismatch("%s: the body text differs from the generated message" % path)
            got = [(n, p.get_payload(decode=True)) for n, p in attachments(msg)]
            need = expected_attachments(want, os.path.dirname(os.path.join(store, container)))
            if [n for n, _ in got] != [n for n, _ in need]:
                raise Mismatch("%s: attachments %r, expected %r" % (path, [n for n, _ in got], [n for n, _ in need]))
            for (n, data), (_, data_want) in zip(got, need):
                if data != data_want:
                    raise Mismatch("%s: attachment %s has %d bytes that differ from the %d expected"
                                   % (path, n, len(data or b""), len(data_want)))
    missing = sorted(set(expected) - set(seen))
    if missing:
        raise Mismatch("%d generated messages have no .eml file, e.g. %s" % (len(missing), missing[0]))
    return len(seen)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--genstore", required=True)
    p.add_argument("--quillmere", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--seed", type=int, default=7)
    p.add_argument("--messages", type=int, default=16)
    args = p.parse_args()
    try:
        count = check(args)
    except Mismatch as e:
        print("check_eml: FAILED: %s" % e, file=sys.stderr)
        return 1
    print("check_eml: %d messages checked" % count)
    return 0


if __name__ == "__main__":
    sys.exit(main())
