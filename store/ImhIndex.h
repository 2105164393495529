#pragma once
// The index that IncrediMail 1.x and Xe keep beside each container,
// <Folder>.imh (incredimail-format.md §2): records back to back from byte 0,
// one per message, deleted ones included. The first record's leading four
// bytes carry the version tag; with "V#05" the record's strings are UTF-16
// and their lengths count characters, with any other tag they are 8-bit.
//
// Record layout (R = the record's first byte, k = 2 for "V#05", else 1):
//   R+0   4  leading field (the version tag in record 0)
//   R+4   8  magic 3C 12 08 49 17 09 45 3E
//   R+12  1  status: 2 = deleted
//   R+13 25  flags and fields not used here
//   R+38     To, From, Subject: each a u32 length n and k*n bytes
//            sent, received, unknown: 3 x u32
//            POP server: u32 length n and k*n bytes
//            6 bytes unknown
//            size, offset, unknown: 3 x u32
// Integers are little-endian.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/IndexEntry.h"

namespace quill {

inline constexpr std::array<unsigned char, 8> kImhRecordMagic = {0x3C, 0x12, 0x08, 0x49, 0x17, 0x09, 0x45, 0x3E};
inline constexpr std::string_view kImhWideTag = "V#05";
inline constexpr std::size_t kImhFixedRecordBytes = 84;  // a record with four empty strings
inline constexpr std::size_t kImhStringsAt = 38;
inline constexpr unsigned char kImhDeleted = 2;

struct ImhParse {
    bool ok = false;
    bool wide = true;  // "V#05"
    std::vector<IndexEntry> records;
    std::string error;  // where and why the layout broke
    std::uint64_t errorOffset = 0;
};

// Reads every record of an .imh held in memory; any byte that does not fit
// the layout (a wrong magic, a string or record running past the end) makes
// the whole index unusable. An empty file is an index of no messages.
ImhParse ParseImh(std::string_view bytes);

}  // namespace quill
