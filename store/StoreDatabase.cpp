#include "store/StoreDatabase.h"

#include <sqlite3.h>

#include <set>

#include "platform/Ascii.h"

namespace quill {

struct StoreDatabase::Impl {
    std::string path;
    sqlite3* db = nullptr;

    [[noreturn]] void Fail(const std::string& what) const {
        throw DatabaseError("cannot read \"" + path + "\": " + what +
                            (db ? std::string(": ") + sqlite3_errmsg(db) : ""));
    }

    std::set<std::string> Columns(const std::string& table) const {
        sqlite3_stmt* st = nullptr;
        const std::string sql = "PRAGMA table_info(\"" + table + "\")";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) Fail("cannot list table " + table);
        std::set<std::string> names;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const unsigned char* name = sqlite3_column_text(st, 1);
            if (name) {
                names.insert(platform::LowerAscii(reinterpret_cast<const char*>(name)));
            }
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) Fail("cannot list table " + table);
        return names;
    }

    // SELECT of the wanted columns, NULL in place of those the table lacks.
    // Throws when a required one is missing.
    sqlite3_stmt* Select(const std::string& table, const std::vector<std::pair<const char*, bool>>& wanted) const {
        const std::set<std::string> have = Columns(table);
        if (have.empty()) Fail("no table " + table);
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const bool present = have.count(platform::LowerAscii(wanted[i].first)) > 0;
            if (!present && wanted[i].second) Fail("table " + table + " has no column " + wanted[i].first);
            if (i) sql += ", ";
            sql += present ? "\"" + std::string(wanted[i].first) + "\"" : std::string("NULL");
        }
        sql += " FROM \"" + table + "\"";
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) Fail("cannot query table " + table);
        return st;
    }
};

namespace {

std::string Text(sqlite3_stmt* st, int column) {
    const unsigned char* t = sqlite3_column_text(st, column);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(st, column)))
             : std::string();
}

// A message in the container has no location: empty, NULL, or the number 0.
std::string Location(sqlite3_stmt* st, int column) {
    switch (sqlite3_column_type(st, column)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_column_int64(st, column) == 0 ? std::string() : Text(st, column);
        default: {
            std::string t = Text(st, column);
            return t == "0" ? std::string() : t;
        }
    }
}

bool Flag(sqlite3_stmt* st, int column) {
    if (sqlite3_column_type(st, column) == SQLITE_TEXT) {
        const std::string t = platform::LowerAscii(Text(st, column));
        return t == "1" || t == "true" || t == "-1";
    }
    return sqlite3_column_int64(st, column) != 0;
}

}  // namespace

std::string ImmutableDatabaseUri(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    std::string uri = "file:";
    // A drive letter needs an empty authority in front of it.
    if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) uri += "///";
    // Two leading slashes would be read as an authority.
    else if (p.rfind("//", 0) == 0)
        uri += "//";
    for (unsigned char c : p) {
        if (c == '%' || c == '?' || c == '#' || c <= ' ') {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?mode=ro&immutable=1";
}

StoreDatabase::StoreDatabase(const std::string& path) : impl_(std::make_unique<Impl>()) {
    impl_->path = path;
    const std::string uri = ImmutableDatabaseUri(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    impl_->db = db;
    if (rc != SQLITE_OK) {
        std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        impl_->db = nullptr;
        throw DatabaseError("cannot open \"" + path + "\": " + why);
    }
    // Reading the schema shows at once whether the file is a database at all.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr) != SQLITE_OK ||
        sqlite3_step(st) != SQLITE_ROW) {
        sqlite3_finalize(st);
        std::string why = sqlite3_errmsg(db);
        sqlite3_close(db);
        impl_->db = nullptr;
        throw DatabaseError("cannot read \"" + path + "\": " + why);
    }
    sqlite3_finalize(st);
}

StoreDatabase::~StoreDatabase() {
    if (impl_ && impl_->db) sqlite3_close(impl_->db);
}

std::vector<DbContainer> StoreDatabase::Containers() {
    sqlite3_stmt* st = impl_->Select("Containers", {{"ContainerID", true},
                                                    {"ParentContainerID", false},
                                                    {"IndexInParent", false},
                                                    {"Label", false},
                                                    {"FileName", true}});
    std::vector<DbContainer> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        DbContainer c;
        c.id = Text(st, 0);
        c.parentId = Text(st, 1);
        c.indexInParent = sqlite3_column_int64(st, 2);
        c.label = Text(st, 3);
        c.fileName = Text(st, 4);
        out.push_back(std::move(c));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) impl_->Fail("cannot read table Containers");
    return out;
}

std::vector<DbHeader> StoreDatabase::Headers() {
    sqlite3_stmt* st = impl_->Select("Headers", {{"HeaderID", false},
                                                 {"ContainerID", true},
                                                 {"MsgPos", true},
                                                 {"LightMsgSize", true},
                                                 {"Deleted", false},
                                                 {"Location", false}});
    std::vector<DbHeader> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        DbHeader h;
        h.headerId = Text(st, 0);
        h.containerId = Text(st, 1);
        h.msgPos = sqlite3_column_int64(st, 2);
        h.size = sqlite3_column_int64(st, 3);
        h.deleted = Flag(st, 4);
        h.location = Location(st, 5);
        out.push_back(std::move(h));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) impl_->Fail("cannot read table Headers");
    return out;
}

}  // namespace quill
