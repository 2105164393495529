#include "mime/MailDate.h"

#include "platform/Ascii.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace quill::mime {
namespace {

int MonthFromWord(std::string_view w) {
    static constexpr std::array<std::string_view, 12> kMonths = {"january",   "february", "march",    "april",
                                                                 "may",       "june",     "july",     "august",
                                                                 "september", "october",  "november", "december"};
    if (w.size() < 3) return 0;
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (kMonths[m].substr(0, std::min(w.size(), kMonths[m].size())) == w && w.size() <= kMonths[m].size())
            return static_cast<int>(m) + 1;
    if (w == "sept") return 9;
    return 0;
}

// Offset in minutes for zone names seen in mail; nullopt for other words.
std::optional<int> ZoneFromWord(std::string_view w) {
    struct Zone {
        std::string_view name;
        int minutes;
    };
    static constexpr Zone kZones[] = {
        {"ut", 0},      {"utc", 0},     {"gmt", 0},    {"z", 0},      {"est", -300}, {"edt", -240},
        {"cst", -360},  {"cdt", -300},  {"mst", -420}, {"mdt", -360}, {"pst", -480}, {"pdt", -420},
        {"akst", -540}, {"akdt", -480}, {"hst", -600}, {"wet", 0},    {"west", 60},  {"bst", 60},
        {"cet", 60},    {"cest", 120},  {"met", 60},   {"mest", 120}, {"mez", 60},   {"mesz", 120},
        {"eet", 120},   {"eest", 180},  {"msk", 180},  {"ist", 330},  {"jst", 540},  {"kst", 540},
        {"hkt", 480},   {"sgt", 480},   {"aest", 600}, {"aedt", 660}, {"nzst", 720}, {"nzdt", 780},
    };
    for (const auto& z : kZones)
        if (z.name == w) return z.minutes;
    // RFC 5322 4.3: military zones carry no reliable information.
    if (w.size() == 1 && w[0] >= 'a' && w[0] <= 'z' && w[0] != 'j') return 0;
    return std::nullopt;
}

struct DateToken {
    enum Kind { Number, Word, Sign, Colon } kind;
    std::string text;
};

std::vector<DateToken> TokenizeDate(std::string_view text) {
    std::vector<DateToken> tokens;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            depth = std::max(depth - 1, 0);
            ++i;
        } else if (depth > 0) {
            ++i;
        } else if (platform::IsAsciiDigit(c)) {
            std::size_t j = i;
            while (j < text.size() && platform::IsAsciiDigit(text[j])) ++j;
            tokens.push_back({DateToken::Number, std::string(text.substr(i, j - i))});
            i = j;
        } else if (platform::IsAsciiLetter(c)) {
            std::size_t j = i;
            while (j < text.size() && platform::IsAsciiLetter(text[j])) ++j;
            tokens.push_back({DateToken::Word, platform::LowerAscii(text.substr(i, j - i))});
            i = j;
        } else if (c == '+' || c == '-') {
            tokens.push_back({DateToken::Sign, std::string(1, c)});
            ++i;
        } else if (c == ':') {
            tokens.push_back({DateToken::Colon, ":"});
            ++i;
        } else {
            ++i;  // blanks, commas, dots, slashes
        }
    }
    return tokens;
}

}  // namespace

std::optional<std::int64_t> ParseMailDate(std::string_view text) {
    auto tokens = TokenizeDate(text);
    int day = 0, month = 0, hour = -1, minute = 0, second = 0;
    std::int64_t year = -1;
    std::optional<int> numericZone, namedZone;
    bool am = false, pm = false;
    auto number = [&](std::size_t k) { return tokens[k].text.size() > 9 ? -1 : std::stoi(tokens[k].text); };
    auto isKind = [&](std::size_t k, DateToken::Kind kind) { return k < tokens.size() && tokens[k].kind == kind; };
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const DateToken& t = tokens[k];
        if (t.kind == DateToken::Number && hour < 0 && isKind(k + 1, DateToken::Colon) &&
            isKind(k + 2, DateToken::Number)) {
            hour = number(k);
            minute = number(k + 2);
            k += 2;
            if (isKind(k + 1, DateToken::Colon) && isKind(k + 2, DateToken::Number)) {
                second = number(k + 2);
                k += 2;
            }
        } else if (t.kind == DateToken::Sign && hour >= 0 && !numericZone && isKind(k + 1, DateToken::Number)) {
            const std::string& z = tokens[k + 1].text;
            int hh = -1, mm = 0;
            if (z.size() == 4 || z.size() == 3) {
                int v = std::stoi(z);
                hh = v / 100;
                mm = v % 100;
            } else if (z.size() <= 2) {
                hh = std::stoi(z);
                if (isKind(k + 2, DateToken::Colon) && isKind(k + 3, DateToken::Number) &&
                    tokens[k + 3].text.size() == 2) {
                    mm = std::stoi(tokens[k + 3].text);
                    k += 2;
                }
            }
            ++k;
            if (hh >= 0 && hh <= 23 && mm <= 59) numericZone = (t.text == "-" ? -1 : 1) * (hh * 60 + mm);
        } else if (t.kind == DateToken::Word) {
            if (int m = MonthFromWord(t.text); m != 0 && month == 0)
                month = m;
            else if (t.text == "am")
                am = true;
            else if (t.text == "pm")
                pm = true;
            else if (auto z = ZoneFromWord(t.text); z && !namedZone)
                namedZone = z;
        } else if (t.kind == DateToken::Number) {
            int v = number(k);
            if (v < 0) continue;
            if (t.text.size() >= 3) {
                if (year < 0) year = v;
            } else if (day == 0 && v >= 1 && v <= 31) {
                day = v;
            } else if (year < 0) {
                year = v;
            }
        }
    }
    if (day == 0 || month == 0 || year < 0) return std::nullopt;
    // Obsolete two- and three-digit years.
    if (year < 50)
        year += 2000;
    else if (year < 1000)
        year += 1900;
    if (year > 9999) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(year)},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return std::nullopt;  // 31 April, 29 February outside a leap year
    if (hour < 0) hour = 0;               // a date without a time still tells the day
    if (pm && hour < 12) hour += 12;
    if (am && hour == 12) hour = 0;
    if (hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return std::nullopt;
    second = std::min(second, 59);
    int zone = numericZone ? *numericZone : namedZone.value_or(0);
    const std::int64_t days = std::chrono::sys_days{date}.time_since_epoch().count();
    return days * 86400 + hour * 3600 + minute * 60 + second - zone * 60;
}

}  // namespace quill::mime
