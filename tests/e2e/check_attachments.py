#!/usr/bin/env python3
"""End to end: attachments put back, read with Python's email package and
with pypff.

  check_attachments.py --genstore PATH --quillmere PATH --work DIR [--seed N] [--messages N]

The generator's attachments store mixes parts that only reference their file,
parts that carry their own content while the shared folder holds another
message's file of the same name, inline cid: images, raw and encoded names,
attached messages and files missing on purpose; its manifest says what each
attachment must hold. For every message of the EML conversion, in document
order, each attachment holds exactly the right bytes (the file, or the
message's own content), a missing one is a note named "<name> (missing).txt",
and every cid: of the HTML names a part of the same message. The PST of the
same store gives the same contents through pypff.
"""

import argparse
import email
import email.policy
import json
import os
import shutil
import subprocess
import sys


class Mismatch(Exception):
    pass


def leaves(msg):
    """The attachment parts of a message in document order: every leaf that is
    not a body (an attached message counts as one leaf)."""
    out = []

    def walk(part):
        if part.get_content_type() == "message/rfc822":
            out.append(part)
            return
        if part.is_multipart():
            for sub in part.iter_parts():
                walk(sub)
            return
        body = (part.get_content_type() in ("text/plain", "text/html") and not part.get_filename()
                and part.get_content_disposition() != "attachment" and not part.get("Content-ID"))
        if not body:
            out.append(part)

    walk(msg)
    return out


def payload_bytes(part):
    if part.get_content_type() == "message/rfc822":
        inner = part.get_payload()
        inner = inner[0] if isinstance(inner, list) else inner
        return inner.as_bytes(policy=email.policy.compat32.clone(linesep="\r\n"))
    return part.get_payload(decode=True) or b""


def check_eml(out_dir, manifest):
    by_id = {}
    for root, _, files in os.walk(out_dir):
        for f in files:
            if f.endswith(".eml"):
                data = open(os.path.join(root, f), "rb").read()
                msg = email.message_from_bytes(data, policy=email.policy.default)
                by_id[str(msg["Message-ID"]).strip("<>")] = msg
    counts = {"messages": 0, "restored": 0, "kept": 0, "missing": 0}
    for m in manifest["messages"]:
        msg = by_id.get(m["message_id"])
        if msg is None:
            raise Mismatch(f"{m['message_id']}: no message file")
        counts["messages"] += 1
        parts = leaves(msg)
        if len(parts) != len(m["attachments"]):
            raise Mismatch(f"{m['message_id']}: {len(parts)} attachments, expected {len(m['attachments'])}")
        ids = set()
        for part, want in zip(parts, m["attachments"]):
            if part.get("Content-ID"):
                ids.add(str(part["Content-ID"]).strip().strip("<>"))
            if want["missing"]:
                counts["missing"] += 1
                name = part.get_filename() or ""
                if not name.endswith(" (missing).txt"):
                    raise Mismatch(f"{m['message_id']}: missing file's part is named {name!r}")
                if part.get_content_type() != "text/plain":
                    raise Mismatch(f"{m['message_id']}: missing file's note is {part.get_content_type()}")
                continue
            counts["restored" if want["restored"] else "kept"] += 1
            got = payload_bytes(part)
            expected = bytes.fromhex(want["hex"])
            if want["type"] == "message/rfc822":
                # The attached message comes back as a message: compare what it says.
                inner = email.message_from_bytes(expected, policy=email.policy.default)
                if str(part.get_payload()[0]["Message-ID"]) != str(inner["Message-ID"]):
                    raise Mismatch(f"{m['message_id']}: attached message is not the one in the folder")
                continue
            if got != expected:
                raise Mismatch(f"{m['message_id']}: attachment {part.get_filename()!r} holds {len(got)} bytes "
                               f"that are not the {len(expected)} it should")
            if want["content_id"] and str(part.get("Content-ID", "")).strip("<>") != want["content_id"]:
                raise Mismatch(f"{m['message_id']}: an inline image lost its Content-ID")
        html = msg.get_body(preferencelist=("html",))
        for cid in m["cids"]:
            if html is None or ("cid:" + cid) not in html.get_content():
                raise Mismatch(f"{m['message_id']}: the HTML lost cid:{cid}")
            if cid not in ids:
                raise Mismatch(f"{m['message_id']}: cid:{cid} names no part of the message")
    return counts


def check_pst(pst_path, manifest):
    import pypff  # Debian's python3-pypff

    f = pypff.file()
    f.open(pst_path)
    found = {}

    def walk(folder):
        for i in range(folder.number_of_sub_messages):
            msg = folder.get_sub_message(i)
            headers = msg.transport_headers or ""
            for line in headers.splitlines():
                if line.lower().startswith("message-id:"):
                    found[line.split(":", 1)[1].strip().strip("<>")] = msg
        for i in range(folder.number_of_sub_folders):
            walk(folder.get_sub_folder(i))

    walk(f.get_root_folder())
    checked = 0
    for m in manifest["messages"]:
        msg = found.get(m["message_id"])
        if msg is None:
            raise Mismatch(f"PST: {m['message_id']} is not in the PST")
        # Attachments by value, in document order, attached messages aside.
        wanted = [a for a in m["attachments"] if a["type"] != "message/rfc822"]
        got = []
        for i in range(msg.number_of_attachments):
            a = msg.get_attachment(i)
            size = a.get_size()
            data = a.read_buffer(size) if size else b""
            got.append(data)
        for want in wanted:
            if want["missing"]:
                if not any(b"was not found" in g or b"no file of that name" in g for g in got):
                    raise Mismatch(f"PST: {m['message_id']}: no note for the missing file")
                continue
            if bytes.fromhex(want["hex"]) not in got:
                raise Mismatch(f"PST: {m['message_id']}: an attachment's bytes are not in the PST")
            checked += 1
    f.close()
    return checked


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--genstore", required=True)
    ap.add_argument("--quillmere", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--seed", default="3")
    ap.add_argument("--messages", default="60")
    args = ap.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    store = os.path.join(args.work, "store")
    manifest_path = os.path.join(args.work, "manifest.json")
    subprocess.run([args.genstore, "--seed", args.seed, "--out", store, "--messages", args.messages,
                    "--generation", "attachments", "--manifest", manifest_path], check=True, stdout=subprocess.DEVNULL)
    manifest = json.load(open(manifest_path, encoding="utf-8"))
    try:
        eml = os.path.join(args.work, "eml")
        # Files are missing on purpose: the run reports them and exits 1.
        r = subprocess.run([args.quillmere, "convert", "--store", store, "--out", eml], capture_output=True, text=True)
        if r.returncode != 1 or "missing" not in r.stdout:
            raise Mismatch(f"EML run: exit {r.returncode}\n{r.stdout}{r.stderr}")
        counts = check_eml(eml, manifest)

        pst_dir = os.path.join(args.work, "pst")
        r = subprocess.run([args.quillmere, "convert", "--store", store, "--out", pst_dir, "--target", "pst"],
                           capture_output=True, text=True)
        if r.returncode != 1:
            raise Mismatch(f"PST run: exit {r.returncode}\n{r.stdout}{r.stderr}")
        pst = [os.path.join(pst_dir, n) for n in os.listdir(pst_dir) if n.endswith(".pst")]
        if len(pst) != 1:
            raise Mismatch(f"PST run left {os.listdir(pst_dir)}")
        in_pst = check_pst(pst[0], manifest)
    except Mismatch as e:
        print(f"check_attachments: FAILED: {e}")
        return 1
    print(f"check_attachments: {counts['messages']} messages, attachments {counts['restored']} restored, "
          f"{counts['kept']} kept, {counts['missing']} missing; {in_pst} attachments found again in the PST")
    return 0


if __name__ == "__main__":
    sys.exit(main())
