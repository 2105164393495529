#!/usr/bin/python3
"""A generated store converted to PST, read back with libpff and readpst.

check_pst.py --quillmere EXE --genstore EXE --work DIR [--seed N] [--messages N] [--containers K]

Checks one folder per container under the top folder, the message count and
every subject once per folder, the bytes of each attachment the store keeps in
Attachments/, readpst's export count and pffinfo's verdict. Runs under
Debian's /usr/bin/python3 (pypff).
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys

import pypff

failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL: " + msg, file=sys.stderr)


def expected_store(store):
    """Per folder name: the subjects in order and {attachment name: bytes} it references."""
    folders = {}
    for entry in sorted(os.listdir(store)):
        if not entry.lower().endswith(".imm"):
            continue
        with open(os.path.join(store, entry), "rb") as f:
            text = f.read()
        # Each generated message starts with its Return-Path line; bodies are encoded,
        # so a header line at a line start belongs to a top-level header.
        count = len(re.findall(rb"(?m)^Return-Path: <sender", text))
        subjects = [s.decode("ascii") for s in re.findall(rb"(?m)^Subject: ([^\r\n]*)", text)]
        if len(subjects) != count:
            fail("%s: %d messages but %d Subject lines in the store" % (entry, count, len(subjects)))
        refs = {}
        for name in re.findall(rb"----------\[%ImFilePath%\]----------([^\r\n]+)", text):
            name = name.decode("utf-8")
            with open(os.path.join(store, "Attachments", name), "rb") as af:
                refs[name] = af.read()
        folders[entry[:-4]] = {"count": count, "subjects": subjects, "refs": refs}
    return folders


def top_folder(pst):
    root = pst.get_root_folder()
    for i in range(root.number_of_sub_folders):
        f = root.get_sub_folder(i)
        if f.name == "Top of Personal Folders":
            return f
    return None


def check_pypff(path, expected):
    pst = pypff.file()
    pst.open(path)
    top = top_folder(pst)
    if top is None:
        fail("no top folder in " + path)
        return
    found = {}
    for i in range(top.number_of_sub_folders):
        f = top.get_sub_folder(i)
        if f.name in found:
            fail("folder %r twice under the top folder" % f.name)
        found[f.name] = f
    for name in expected:
        if name not in found:
            fail("no folder %r under the top folder (have %s)" % (name, sorted(found)))
    # The writer's own Deleted Items is the only folder no container asked for.
    extra = set(found) - set(expected) - {"Deleted Items"}
    if extra:
        fail("unexpected folders %s" % sorted(extra))
    if "Deleted Items" in found and "Deleted Items" not in expected and found["Deleted Items"].number_of_sub_messages:
        fail("Deleted Items holds messages although no container went there")

    checked_refs = 0
    for name, want in expected.items():
        folder = found.get(name)
        if folder is None:
            continue
        n = folder.number_of_sub_messages
        if n != want["count"]:
            fail("%s: %d messages, the store has %d" % (name, n, want["count"]))
        subjects = []
        attachments = {}
        for i in range(n):
            m = folder.get_sub_message(i)
            subjects.append(m.subject)
            for j in range(m.number_of_attachments):
                a = m.get_attachment(j)
                aname = None
                for rs in a.record_sets:
                    for e in rs.entries:
                        if e.entry_type == 0x3707:
                            aname = e.get_data_as_string()
                    break
                size = a.get_size()
                data = a.read_buffer(size) if size else b""
                attachments.setdefault(aname, []).append(data)
        for s in want["subjects"]:
            c = subjects.count(s)
            if c != 1:
                fail("%s: subject %r found %d times" % (name, s, c))
        for ref, data in want["refs"].items():
            got = attachments.get(ref)
            if not got:
                fail("%s: attachment %s from Attachments/ missing" % (name, ref))
            elif len(got) != 1 or got[0] != data:
                fail("%s: attachment %s: %s bytes (sha256 %s), the file has %d (sha256 %s)"
                     % (name, ref, [len(g) for g in got], [hashlib.sha256(g).hexdigest()[:12] for g in got],
                        len(data), hashlib.sha256(data).hexdigest()[:12]))
            checked_refs += 1
    pst.close()
    if checked_refs == 0:
        fail("the store references no attachment files: the byte check proved nothing (pick another seed)")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--quillmere", required=True)
    ap.add_argument("--genstore", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--seed", default="7")
    ap.add_argument("--messages", type=int, default=30)
    ap.add_argument("--containers", type=int, default=4)
    args = ap.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    store = os.path.join(args.work, "store")
    out = os.path.join(args.work, "out")
    os.makedirs(out)
    subprocess.run([args.genstore, "--seed", args.seed, "--out", store, "--messages", str(args.messages),
                    "--containers", str(args.containers)], check=True, stdout=subprocess.DEVNULL)
    expected = expected_store(store)
    for name, want in expected.items():
        if want["count"] != args.messages:
            fail("%s: the store has %d messages, asked for %d" % (name, want["count"], args.messages))

    run = subprocess.run([args.quillmere, "convert", "--store", store + os.sep, "--out", out + os.sep,
                          "--target", "pst"], capture_output=True, text=True)
    if run.returncode != 0:
        fail("quillmere exit %d: %s %s" % (run.returncode, run.stdout, run.stderr))
    psts = [p for p in os.listdir(out) if p.endswith(".pst")]
    if len(psts) != 1:
        fail("expected one PST in %s, found %s" % (out, psts))
        return 1
    path = os.path.join(out, psts[0])
    if not re.fullmatch(r"Quillmere\d{1,2}\.\d{1,2}\.\d\d \d{1,2}\.\d{1,2}\.\d\d\.pst", psts[0]):
        fail("PST file name %r" % psts[0])

    check_pypff(path, expected)

    info = subprocess.run(["pffinfo", path], capture_output=True, text=True)
    if info.returncode != 0:
        fail("pffinfo exit %d: %s" % (info.returncode, info.stderr.strip()))

    rp = os.path.join(args.work, "readpst")
    os.makedirs(rp)
    # One process: readpst's forked exporters now and then lose a message.
    subprocess.run(["readpst", "-j", "0", "-q", "-D", "-8", "-e", "-o", rp, path], capture_output=True)
    per_folder = {}
    for dirpath, _, files in os.walk(rp):
        n = sum(1 for f in files if f.endswith(".eml"))
        if n:
            per_folder[os.path.basename(dirpath)] = per_folder.get(os.path.basename(dirpath), 0) + n
    total = sum(w["count"] for w in expected.values())
    if sum(per_folder.values()) != total:
        fail("readpst exported %d messages %s, the store has %d" % (sum(per_folder.values()), per_folder, total))
    for name, want in expected.items():
        if per_folder.get(name, 0) != want["count"]:
            fail("readpst: %s has %d messages, the store %d" % (name, per_folder.get(name, 0), want["count"]))

    if failures:
        print("%d check(s) failed for %s" % (len(failures), path), file=sys.stderr)
        return 1
    print("ok: %d messages in %d folders, %s" % (total, len(expected), path))
    shutil.rmtree(args.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
