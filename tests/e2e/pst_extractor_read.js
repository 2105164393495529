#!/usr/bin/env node
// Reads a PST with the pst-extractor package (a third reader, independent of libpff and libpst)
// and prints what it found as JSON: every folder, every message with its subject, sender, bodies
// and recipients, every attachment with its size and SHA-256, embedded messages read the same way.
//
// Usage: node pst_extractor_read.js --modules DIR FILE.pst
//   DIR is the node_modules folder scripts/install-deps.sh installed pst-extractor into.
// Exits 1, with the reader's exception on stderr, when anything cannot be read.
'use strict';

const crypto = require('crypto');
const path = require('path');

function parseArgs(argv) {
  const args = { modules: null, file: null };
  for (let i = 0; i < argv.length; ++i) {
    if (argv[i] === '--modules') args.modules = argv[++i];
    else args.file = argv[i];
  }
  if (!args.modules || !args.file) {
    process.stderr.write('usage: pst_extractor_read.js --modules DIR FILE.pst\n');
    process.exit(2);
  }
  return args;
}

const args = parseArgs(process.argv.slice(2));
const { PSTFile } = require(path.join(path.resolve(args.modules), 'pst-extractor'));

function sha256(buffer) {
  return crypto.createHash('sha256').update(buffer).digest('hex');
}

function textDigest(text) {
  const value = text || '';
  return { length: value.length, sha256: sha256(Buffer.from(value, 'utf8')) };
}

// The attachment's bytes, read block by block as the package recommends.
function attachmentBytes(attachment) {
  const stream = attachment.fileInputStream;
  if (!stream) return Buffer.alloc(0);
  const pieces = [];
  const block = Buffer.alloc(8176);
  let n;
  while ((n = stream.readBlock(block)) > 0) pieces.push(Buffer.from(block.subarray(0, n)));
  return Buffer.concat(pieces);
}

function readAttachment(attachment, depth) {
  const out = {
    name: attachment.longFilename || attachment.filename || attachment.displayName || null,
    method: attachment.attachMethod,
    mime: attachment.mimeTag || null,
  };
  if (attachment.attachMethod === 5) {
    // pst-extractor 1.12 gives an attachment no node of its own, so its embeddedPSTMessage is
    // null for every embedded message, Outlook's included: what it can read of one is counted.
    const embedded = attachment.embeddedPSTMessage;
    out.message = embedded ? readMessage(embedded, depth + 1) : null;
    out.size = 0;
    out.sha256 = null;
  } else {
    const bytes = attachmentBytes(attachment);
    out.size = bytes.length;
    out.sha256 = sha256(bytes);
  }
  return out;
}

function readMessage(message, depth) {
  if (depth > 32) throw new Error('embedded messages nested deeper than 32');
  const recipients = [];
  for (let i = 0; i < message.numberOfRecipients; ++i) {
    const r = message.getRecipient(i);
    recipients.push({ name: r ? r.displayName : null, email: r ? r.smtpAddress || r.emailAddress : null });
  }
  const attachments = [];
  for (let i = 0; i < message.numberOfAttachments; ++i) attachments.push(readAttachment(message.getAttachment(i), depth));
  return {
    subject: message.subject,
    sender_name: message.senderName,
    sender_email: message.senderEmailAddress,
    message_class: message.messageClass,
    body: textDigest(message.body),
    html: textDigest(message.bodyHTML),
    body_head: (message.body || '').slice(0, 200),
    recipients,
    attachments,
  };
}

function readFolder(folder) {
  const out = { name: folder.displayName, messages: [], folders: [] };
  if (folder.contentCount > 0) {
    for (let child = folder.getNextChild(); child != null; child = folder.getNextChild())
      out.messages.push(readMessage(child, 0));
  }
  if (folder.hasSubfolders) for (const sub of folder.getSubFolders()) out.folders.push(readFolder(sub));
  return out;
}

try {
  const pst = new PSTFile(path.resolve(args.file));
  const store = pst.getMessageStore();
  const dump = { store_name: store.displayName, root: readFolder(pst.getRootFolder()) };
  pst.close();
  process.stdout.write(JSON.stringify(dump, null, 1) + '\n');
} catch (e) {
  process.stderr.write('pst-extractor cannot read ' + args.file + ': ' + (e && e.stack ? e.stack : e) + '\n');
  process.exit(1);
}
