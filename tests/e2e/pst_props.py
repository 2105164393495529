#!/usr/bin/python3
"""Dumps a PST as read by libpff (pypff) as JSON: store name, folders, messages
with the properties the converter sets, recipients and attachments.

Usage: pst_props.py [--flat] FILE   (needs Debian's /usr/bin/python3 for pypff)
--flat prints one "key=value" line per value instead (folders keyed by name,
lists by index, "\\", "\n" and "\r" escaped) for readers without a JSON parser.
"""
import hashlib
import json
import sys

import pypff


def entries(item):
    """All (entry type -> value bytes) of an item's first record set."""
    out = {}
    try:
        for rs in item.record_sets:
            for e in rs.entries:
                out.setdefault(e.entry_type, e)
            break
    except (IOError, OSError, AttributeError):
        pass
    return out


def int_value(ents, tag):
    e = ents.get(tag)
    if e is None:
        return None
    try:
        return e.get_data_as_integer()
    except (IOError, OSError, TypeError):
        data = e.data or b""
        return int.from_bytes(data[:4], "little") if data else None


def text_value(ents, tag):
    e = ents.get(tag)
    if e is None:
        return None
    try:
        return e.get_data_as_string()
    except (IOError, OSError, TypeError):
        return None


def safe(f):
    try:
        return f()
    except (IOError, OSError, AttributeError, TypeError):
        return None


def as_text(v):
    if v is None:
        return None
    if isinstance(v, bytes):
        return v.decode("utf-8", "replace").rstrip("\x00")
    return str(v)


def when(v):
    return v.isoformat() if v is not None else None


def dump_attachment(a):
    ents = entries(a)
    size = safe(a.get_size) or 0
    data = safe(lambda: a.read_buffer(size)) if size else b""
    return {
        "name": text_value(ents, 0x3707) or text_value(ents, 0x3001),
        "size": size,
        "sha256": hashlib.sha256(data or b"").hexdigest(),
        "hidden": bool(int_value(ents, 0x7FFE) or 0),
        "content_id": text_value(ents, 0x3712),
        "mime": text_value(ents, 0x370E),
        "method": int_value(ents, 0x3705),
    }


def flatten(value, key, out):
    if isinstance(value, dict):
        for k, v in value.items():
            flatten(v, key + "." + k if key else k, out)
    elif isinstance(value, list):
        for i, v in enumerate(value):
            name = v.get("name") if key.endswith("folders") and isinstance(v, dict) else None
            flatten(v, "%s.%s" % (key, name if name is not None else i), out)
        out.append("%s.count=%d" % (key, len(value)))
    else:
        text = "" if value is None else str(value)
        text = text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r")
        out.append("%s=%s" % (key, text))


def dump_recipient(r):
    ents = entries(r)
    return {
        "name": text_value(ents, 0x3001),
        "email": text_value(ents, 0x39FE) or text_value(ents, 0x3003),
        "type": int_value(ents, 0x0C15),
    }


def dump_message(m):
    ents = entries(m)
    recipients = []
    rs = safe(lambda: m.recipients)
    if rs is not None:
        for i in range(rs.number_of_sub_items):
            recipients.append(dump_recipient(rs.get_sub_item(i)))
    # Older pypff (2018) has no recipients object; display_to/display_cc still show them.
    return {
        "subject": as_text(safe(lambda: m.subject)),
        "topic": text_value(ents, 0x0070),
        "sender_name": as_text(safe(lambda: m.sender_name)),
        "sender_email": text_value(ents, 0x0C1F),
        "delivery_time": when(safe(m.get_delivery_time)),
        "client_submit_time": when(safe(m.get_client_submit_time)),
        "plain_body": as_text(safe(lambda: m.plain_text_body)),
        "html_body": as_text(safe(lambda: m.html_body)),
        "transport_headers": as_text(safe(lambda: m.transport_headers)),
        "flags": int_value(ents, 0x0E07),
        "message_class": text_value(ents, 0x001A),
        "display_to": text_value(ents, 0x0E04),
        "display_cc": text_value(ents, 0x0E03),
        "recipients": recipients,
        "attachments": [dump_attachment(m.get_attachment(i)) for i in range(m.number_of_attachments)],
    }


def dump_folder(f):
    return {
        "name": as_text(f.name),
        "messages": [dump_message(f.get_sub_message(i)) for i in range(f.number_of_sub_messages)],
        "folders": [dump_folder(f.get_sub_folder(i)) for i in range(f.number_of_sub_folders)],
    }


def main():
    args = sys.argv[1:]
    flat = args and args[0] == "--flat"
    if flat:
        args = args[1:]
    f = pypff.file()
    f.open(args[0])
    root = f.get_root_folder()
    store = safe(lambda: f.get_message_store())
    store_name = None
    if store is not None:
        store_name = text_value(entries(store), 0x3001)
    dump = {"store_name": store_name, "root": dump_folder(root)}
    if flat:
        lines = []
        flatten(dump, "", lines)
        sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))
    else:
        print(json.dumps(dump, ensure_ascii=True, indent=1))
    f.close()


if __name__ == "__main__":
    main()
