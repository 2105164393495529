#!/usr/bin/python3
"""Stores that carry their own index, converted end to end and read back with
Python's email package (EML), pypff and readpst (PST).

  check_indexed.py --genstore EXE --quillmere EXE --work DIR [--seed N]

For each generation (Xe with .imh, 2 with Containers.db, 2.5 with
MessageStore.db) the generator writes a store and a manifest of what is in it.
Checks: the folder tree, every message once in its folder or in the deleted
messages' folder, the one msg.iml left out reported and absent, the bytes of
every attachment the store keeps apart (2.5: in the message's own folder),
multipart messages whose boundary was stored as "imbndary" split into their
parts, the PST's folders and counts through pypff and readpst, pffinfo's
verdict. Runs under Debian's /usr/bin/python3 (pypff).
"""
import argparse
import email
import email.policy
import json
import os
import shutil
import subprocess
import sys

import pypff

DELETED = "Deleted messages"
UNSAFE = '<>:"/\\|?*'
failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL: " + msg, file=sys.stderr)


def safe(label):
    name = "".join("_" if ord(c) < 32 or c in UNSAFE else c for c in label).rstrip(" .")
    return name or "_"


def eml_folder(out, container):
    if container["path"]:
        return os.path.join(out, *[safe(p) for p in container["path"]])
    return os.path.join(out, container["entry"][:-4])


def attachment_file(store, message, name):
    if message["file"]:
        return os.path.join(store, os.path.dirname(message["file"]), "Attachments", name)
    return os.path.join(store, "Attachments", name)


def expected_attachments(store, message):
    out = {}
    for name in message["attachments"]:
        with open(attachment_file(store, message, name), "rb") as f:
            out[name] = f.read()
    return out


def check_eml(store, out, manifest, label):
    by_id = {}
    for folder, _, files in os.walk(out):
        for name in files:
            if name.endswith(".eml"):
                with open(os.path.join(folder, name), "rb") as f:
                    msg = email.message_from_bytes(f.read(), policy=email.policy.default)
                by_id.setdefault(str(msg["Message-ID"]), []).append((folder, msg))
    total = 0
    for c in manifest["containers"]:
        home = eml_folder(out, c)
        for m in c["messages"]:
            got = by_id.get(m["message_id"], [])
            if m["missing"]:
                if got:
                    fail("%s: %s has no msg.iml but came out" % (label, m["message_id"]))
                continue
            total += 1
            want_folder = os.path.join(home, DELETED) if m["deleted"] else home
            if len(got) != 1:
                fail("%s: %s came out %d times" % (label, m["message_id"], len(got)))
                continue
            folder, msg = got[0]
            if os.path.normpath(folder) != os.path.normpath(want_folder):
                fail("%s: %s in %s, expected %s" % (label, m["message_id"], folder, want_folder))
            if str(msg["Subject"]) != m["subject"]:
                fail("%s: %s subject %r" % (label, m["message_id"], str(msg["Subject"])))
            want = expected_attachments(store, m)
            have = {}
            for part in msg.walk():
                if part.get_filename() and not part.is_multipart():
                    have[part.get_filename()] = part.get_payload(decode=True)
            for name, data in want.items():
                if have.get(name) != data:
                    fail("%s: %s attachment %r: %s bytes, the file has %d (found %s)"
                         % (label, m["message_id"], name, len(have.get(name) or b""), len(data), sorted(have)))
            if m["message_id"].startswith("<imb.") and msg.get_content_type() == "multipart/mixed":
                if "imbndary" in str(msg["Content-Type"]) or len(list(msg.iter_parts())) != 3:
                    fail("%s: %s not split into its 3 parts: %s" % (label, m["message_id"], msg["Content-Type"]))
    print("%s EML: %d messages checked" % (label, total))


def top_folder(pst):
    root = pst.get_root_folder()
    for i in range(root.number_of_sub_folders):
        f = root.get_sub_folder(i)
        if f.name == "Top of Personal Folders":
            return f
    return None


def child(folder, name):
    for i in range(folder.number_of_sub_folders):
        f = folder.get_sub_folder(i)
        if f.name == name:
            return f
    return None


def pst_messages(folder):
    """Message-ID -> list of {attachment name: bytes}"""
    out = {}
    for i in range(folder.number_of_sub_messages):
        m = folder.get_sub_message(i)
        headers = m.transport_headers or ""
        mid = ""
        for line in headers.splitlines():
            if line.lower().startswith("message-id:"):
                mid = line.split(":", 1)[1].strip()
        atts = {}
        for j in range(m.number_of_attachments):
            a = m.get_attachment(j)
            name = None
            for rs in a.record_sets:
                for e in rs.entries:
                    if e.entry_type == 0x3707:
                        name = e.get_data_as_string()
                break
            size = a.get_size()
            atts[name] = a.read_buffer(size) if size else b""
        out.setdefault(mid, []).append(atts)
    return out


def check_pst(store, path, manifest, label, work):
    pst = pypff.file()
    pst.open(path)
    top = top_folder(pst)
    if top is None:
        fail("%s: no top folder" % label)
        return
    deleted_root = child(top, DELETED)
    total = 0
    expected_counts = {}
    for c in manifest["containers"]:
        names = c["path"] or [c["entry"][:-4]]
        folder = top
        for n in names:
            folder = child(folder, n) if folder else None
        if folder is None:
            fail("%s: no PST folder %s" % (label, "\\".join(names)))
            continue
        gone = child(deleted_root, names[-1]) if deleted_root else None
        live_msgs = pst_messages(folder)
        dead_msgs = pst_messages(gone) if gone else {}
        want_live = [m for m in c["messages"] if not m["missing"] and not m["deleted"]]
        want_dead = [m for m in c["messages"] if not m["missing"] and m["deleted"]]
        if folder.number_of_sub_messages != len(want_live):
            fail("%s: %s holds %d messages, expected %d" % (label, "\\".join(names), folder.number_of_sub_messages,
                                                           len(want_live)))
        if want_dead and (gone is None or gone.number_of_sub_messages != len(want_dead)):
            fail("%s: %s\\%s holds %s deleted messages, expected %d"
                 % (label, DELETED, names[-1], gone.number_of_sub_messages if gone else None, len(want_dead)))
        expected_counts[names[-1]] = expected_counts.get(names[-1], 0) + len(want_live)
        if want_dead:
            expected_counts[DELETED + "/" + names[-1]] = len(want_dead)
        for m, where in [(m, live_msgs) for m in want_live] + [(m, dead_msgs) for m in want_dead]:
            total += 1
            got = where.get(m["message_id"], [])
            if len(got) != 1:
                fail("%s: %s found %d times in its PST folder" % (label, m["message_id"], len(got)))
                continue
            for name, data in expected_attachments(store, m).items():
                if got[0].get(name) != data:
                    fail("%s: PST %s attachment %r differs (have %s)" % (label, m["message_id"], name, sorted(got[0])))
    pst.close()
    info = subprocess.run(["pffinfo", path], capture_output=True, text=True)
    if info.returncode != 0:
        fail("%s: pffinfo exit %d" % (label, info.returncode))
    rp = os.path.join(work, "readpst-" + label)
    os.makedirs(rp)
    subprocess.run(["readpst", "-j", "0", "-q", "-D", "-8", "-e", "-o", rp, path], capture_output=True)
    exported = 0
    for _, _, files in os.walk(rp):
        exported += sum(1 for f in files if f.endswith(".eml"))
    if exported != total:
        fail("%s: readpst exported %d messages, expected %d" % (label, exported, total))
    print("%s PST: %d messages checked, readpst %d" % (label, total, exported))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--genstore", required=True)
    ap.add_argument("--quillmere", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--seed", default="3")
    args = ap.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    for generation in ("xe", "im2", "im25"):
        store = os.path.join(args.work, generation)
        manifest_path = os.path.join(args.work, generation + ".json")
        subprocess.run([args.genstore, "--seed", args.seed, "--out", store, "--messages", "10", "--generation",
                        generation, "--manifest", manifest_path], check=True, stdout=subprocess.DEVNULL)
        with open(manifest_path, encoding="utf-8") as f:
            manifest = json.load(f)
        missing = sum(m["missing"] for c in manifest["containers"] for m in c["messages"])
        for target in ("eml", "pst"):
            out = os.path.join(args.work, generation + "-" + target)
            run = subprocess.run([args.quillmere, "convert", "--store", store, "--out", out, "--target", target],
                                 capture_output=True, text=True)
            # The left-out msg.iml is the one failure a 2.5 store must report.
            if run.returncode != (1 if missing else 0):
                fail("%s %s: exit %d: %s %s" % (generation, target, run.returncode, run.stdout, run.stderr))
            if target == "eml":
                check_eml(store, out, manifest, generation)
            else:
                psts = [p for p in os.listdir(out) if p.endswith(".pst")]
                if len(psts) != 1:
                    fail("%s: expected one PST, found %s" % (generation, psts))
                    continue
                check_pst(store, os.path.join(out, psts[0]), manifest, generation, args.work)
    if failures:
        print("%d check(s) failed" % len(failures), file=sys.stderr)
        return 1
    print("ok")
    shutil.rmtree(args.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
