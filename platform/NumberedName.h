#pragma once
// "name.ext", then "name (2).ext", "name (3).ext", ...: the names a new file
// takes when the plain one is in use, so that a file the user already has is
// never replaced. The one rule, with one limit, for message files, the run's
// report and the PST file.

#include <optional>
#include <string>
#include <string_view>

namespace quill::platform {

// The highest number tried. A folder that holds this many copies of one name
// is past any run the user repeated by hand; the caller reports it.
inline constexpr int kMaxNameNumber = 100000;

// stem + extension for 1; stem + " (number)" + extension from 2 on.
[[nodiscard]] std::string NumberedName(std::string_view stem, std::string_view extension, int number);

// Offers NumberedName(stem, extension, n) for n = 1, 2, ... kMaxNameNumber to
// create(name), which returns true when it made the file under that name and
// false when the name is in use; any other failure it throws, and that ends
// the search. The name the file was made under; nullopt when all were in use.
template <typename Create>
[[nodiscard]] std::optional<std::string> CreateUnderFreeName(std::string_view stem, std::string_view extension,
                                                             Create&& create) {
    for (int number = 1; number <= kMaxNameNumber; ++number) {
        std::string name = NumberedName(stem, extension, number);
        if (create(name)) return name;
    }
    return std::nullopt;
}

}  // namespace quill::platform
