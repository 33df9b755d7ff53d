#include "legacy/mdb_table_reader.h"

#include "legacy/import_failures.h"
#include "legacy/stream_writer.h"

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace varnel::legacy {

namespace {

// A row's start in its page, without the deleted and lookup flags.
constexpr int kRowOffsetMask = 0x1fff;

std::uint64_t littleEndian(const unsigned char* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

struct CloseFile {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct FreeTable {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
struct FreeText {
    void operator()(char* text) const { g_free(text); }
};

MdbCatalogEntry* findTable(MdbHandle* mdb, const std::string& name)
{
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name.c_str()) == 0)
            return entry;
    }
    return nullptr;
}

// Whether the catalog names any table of the user's (Access's own are
// named MSys...). A file whose catalog was cut off names none.
bool holdsAnyTable(MdbHandle* mdb)
{
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry && entry->object_type == MDB_TABLE && g_ascii_strncasecmp(entry->object_name, "MSys", 4) != 0)
            return true;
    }
    return false;
}

// The size of a fixed-width value of each type, or 0 for the others.
int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    default: return 0;
    }
}

class RowSender {
public:
    RowSender(MdbHandle* mdb, const ReadLimits& limits, stream::Writer& out, const Complaints& complaints)
        : mdb_(mdb), limits_(limits), out_(out), complaints_(complaints) {}

    void send(MdbColumn* col, const MdbField& field)
    {
        const int type = col->col_type;
        if (type == MDB_BOOL) {
            // A Yes/No value lives in the row's null mask: a set bit is Yes.
            out_.yesNo(!field.is_null);
            return;
        }
        if (field.is_null) {
            out_.null();
            return;
        }
        const int pageSize = int(mdb_->fmt->pg_size);
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > pageSize) {
            out_.unreadable("its value lies outside its page");
            return;
        }
        const unsigned char* data = mdb_->pg_buf + field.start;
        if (const int size = fixedSize(type); size != 0 && field.siz != size) {
            out_.unreadable("its value has " + std::to_string(field.siz) + " bytes where " + std::to_string(size)
                            + " belong");
            return;
        }
        switch (type) {
        case MDB_BYTE: out_.integer(data[0]); return;
        case MDB_INT: out_.integer(std::int16_t(littleEndian(data, 2))); return;
        case MDB_LONGINT: out_.integer(std::int32_t(littleEndian(data, 4))); return;
        case MDB_MONEY: out_.currency(std::int64_t(littleEndian(data, 8))); return;
        case MDB_FLOAT: single(data); return;
        case MDB_DOUBLE: {
            const std::uint64_t bits = littleEndian(data, 8);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            if (std::isnan(d))
                out_.unreadable("it is not a number");
            else
                out_.real(d);
            return;
        }
        case MDB_DATETIME: {
            // The stored number itself: libmdb's own text has two-digit years.
            const std::uint64_t bits = littleEndian(data, 8);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            out_.date(d);
            return;
        }
        case MDB_TEXT: text(type, field, std::size_t(field.siz)); return;
        case MDB_MEMO: memo(field); return;
        default:
            // The program refuses these columns when it sees their types.
            out_.null();
            return;
        }
    }

private:
    // Access shows a Single by its shortest decimal text; the roster keeps
    // that number, not the float's binary neighbour (0.1, not 0.100000001).
    void single(const unsigned char* data)
    {
        const auto bits = std::uint32_t(littleEndian(data, 4));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isnan(f)) {
            out_.unreadable("it is not a number");
            return;
        }
        char digits[64];
        const auto written = std::to_chars(digits, digits + sizeof digits, f);
        double d = f;
        std::from_chars(digits, written.ptr, d);
        out_.real(d);
    }

    // A text never grows past 4 bytes a stored byte when converted (a
    // compressed Jet 4 character, a Jet 3 byte: at most 3 bytes of UTF-8),
    // so the buffer holds the whole text unless the limit is reached.
    void text(int type, const MdbField& field, std::size_t storedBytes)
    {
        const std::size_t buffer = std::min(limits_.maxTextBytes, 4 * storedBytes + 16);
        mdb_set_bind_size(mdb_, buffer);
        const std::unique_ptr<char, FreeText> converted(
            mdb_col_to_string(mdb_, mdb_->pg_buf, field.start, type, field.siz));
        const std::string complaint = complaints_ ? complaints_() : std::string();
        if (!complaint.empty()) {
            out_.unreadable("libmdb reports \"" + complaint + "\"");
            return;
        }
        if (!converted) {
            out_.unreadable("libmdb cannot convert it");
            return;
        }
        const std::size_t length = std::strlen(converted.get());
        // The converter stops a character short of the buffer's end.
        if (length + 4 >= buffer) {
            out_.tooLong(std::uint32_t(std::min<std::size_t>(buffer, UINT32_MAX)));
            return;
        }
        if (length == 0 && storedBytes > 2) {
            // libmdb gives empty text for a memo whose pages it cannot find.
            out_.unreadable("its text could not be found in the file");
            return;
        }
        out_.text(std::string_view(converted.get(), length));
    }

    void memo(const MdbField& field)
    {
        if (field.siz == 0) {
            out_.text({});
            return;
        }
        if (field.siz < MDB_MEMO_OVERHEAD) {
            out_.unreadable("its memo header is cut short");
            return;
        }
        // The header: the stored length with two flags in its top bits
        // (0x80 kept in the row, 0x40 on one other page, neither: a chain
        // of pages), then where the text lies.
        const auto header = std::uint32_t(littleEndian(mdb_->pg_buf + field.start, 4));
        std::size_t stored = 0;
        if (header & 0x80000000u)
            stored = std::size_t(field.siz - MDB_MEMO_OVERHEAD);
        else if ((header & 0xff000000u) == 0x40000000u || (header & 0xff000000u) == 0)
            stored = header & 0x00ffffffu;
        else {
            out_.unreadable("its memo header is not one Access writes");
            return;
        }
        text(MDB_MEMO, field, stored);
    }

    MdbHandle* mdb_;
    const ReadLimits& limits_;
    stream::Writer& out_;
    const Complaints& complaints_;
};

} // namespace

namespace {

// Why the table cannot be sent: the failure's number and words.
struct Refusal {
    int number;
    std::string text;
};

// The file and its table, the table freed before the file is closed.
struct OpenTable {
    std::unique_ptr<MdbHandle, CloseFile> mdb;
    std::unique_ptr<MdbTableDef, FreeTable> table;
};

OpenTable openTable(const std::string& path, const std::string& tableName)
{
    using namespace varnel::legacy::failure;
    OpenTable open;
    open.mdb.reset(mdb_open(path.c_str(), MDB_NOFLAGS));
    MdbHandle* mdb = open.mdb.get();
    if (!mdb)
        throw Refusal{DamagedFile, "libmdb cannot open it as an Access database"};
    // Access writes whole pages. A file cut short ends in part of a page,
    // which libmdb reads as if the missing bytes were zeros: a record there
    // loses values (its last flags read as "no value") without a word.
    std::error_code sizeUnknown;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, sizeUnknown);
    const auto pageSize = std::uintmax_t(mdb->fmt->pg_size);
    if (!sizeUnknown && pageSize > 0 && fileSize % pageSize != 0)
        throw Refusal{DamagedFile, "it is cut short: its " + std::to_string(fileSize) + " bytes are not a whole number of pages of "
                                       + std::to_string(pageSize) + " bytes"};
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw Refusal{DamagedFile, "its list of tables cannot be read"};
    MdbCatalogEntry* entry = findTable(mdb, tableName);
    // A file cut short before its list of tables names them names none.
    if (!entry && !holdsAnyTable(mdb))
        throw Refusal{DamagedFile, "its list of tables names no table at all, as in a file cut short"};
    if (!entry)
        throw Refusal{NoSuchTable, "it has no table \"" + tableName + "\""};
    open.table.reset(mdb_read_table(entry));
    MdbTableDef* table = open.table.get();
    if (!table || !mdb_read_columns(table) || !table->columns || table->columns->len != table->num_cols)
        throw Refusal{DamagedFile, "the design of its table \"" + tableName + "\" cannot be read"};
    return open;
}

// Sends the table's design; gives its columns in their order.
std::vector<MdbColumn*> sendDesign(const OpenTable& open, stream::Writer& out)
{
    MdbTableDef* table = open.table.get();
    out.hello(std::uint8_t(open.mdb->f->jet_version), table->num_rows);
    out.beginColumns(std::uint16_t(table->num_cols));
    std::vector<MdbColumn*> columns;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        columns.push_back(col);
        std::uint8_t flags = 0;
        if (col->is_long_auto)
            flags |= stream::kAutoNumber;
        if (col->col_type == MDB_DATETIME && mdb_col_is_shortdate(col))
            flags |= stream::kShortDate;
        out.column(std::uint8_t(col->col_type), flags, col->name);
    }
    out.endColumns();
    return columns;
}

// The fields of the row just fetched, null flags included (libmdb's own
// binding shows NULL and empty text alike), by column; `number` counts
// from 1.
std::vector<const MdbField*> crackRow(const OpenTable& open, std::vector<MdbField>& fields, std::uint32_t number)
{
    using namespace varnel::legacy::failure;
    MdbTableDef* table = open.table.get();
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(open.mdb.get(), int(table->cur_row) - 1, &start, &size) != 0)
        throw Refusal{DamagedFile, "record " + std::to_string(number) + " cannot be found again in its page"};
    start &= kRowOffsetMask;
    const int cracked = mdb_crack_row(table, start, size, fields.data());
    if (cracked < 0)
        throw Refusal{DamagedFile, "record " + std::to_string(number) + " cannot be taken apart"};
    // A whole record has every column of the table's design.
    if (unsigned(cracked) != table->num_cols)
        throw Refusal{DamagedFile, "record " + std::to_string(number) + " has " + std::to_string(cracked) + " of the "
                                       + std::to_string(table->num_cols) + " columns of its table"};
    std::vector<const MdbField*> byColumn(table->num_cols, nullptr);
    for (const MdbField& field : fields) {
        if (field.colnum >= 0 && std::size_t(field.colnum) < byColumn.size())
            byColumn[std::size_t(field.colnum)] = &field;
    }
    return byColumn;
}

// What libmdb printed while it read, as a refusal after `rows` records.
void refuseOnComplaint(const Complaints& complaints, std::uint32_t rows)
{
    if (const std::string complaint = complaints ? complaints() : std::string(); !complaint.empty())
        throw Refusal{varnel::legacy::failure::DamagedFile,
                      "after record " + std::to_string(rows) + " libmdb reports \"" + complaint + "\""};
}

} // namespace

int sendAccessTable(const std::string& path, const std::string& tableName, const ReadLimits& limits,
                    stream::Writer& out, const Complaints& complaints)
{
    try {
        const OpenTable open = openTable(path, tableName);
        const std::vector<MdbColumn*> columns = sendDesign(open, out);
        if (complaints)
            complaints(); // what the catalog and the design printed: not the records' business

        RowSender sender(open.mdb.get(), limits, out, complaints);
        std::vector<MdbField> fields(columns.size());
        std::uint32_t rows = 0;
        mdb_rewind_table(open.table.get());
        while (out.ok() && mdb_fetch_row(open.table.get())) {
            refuseOnComplaint(complaints, rows);
            const std::vector<const MdbField*> byColumn = crackRow(open, fields, rows + 1);
            ++rows;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (byColumn[c])
                    sender.send(columns[c], *byColumn[c]);
                else
                    out.unreadable("the record has no such field");
            }
            out.endRow();
        }
        refuseOnComplaint(complaints, rows);
        out.end(rows);
        return out.ok() ? 0 : 1;
    } catch (const Refusal& refusal) {
        out.failure(refusal.number, refusal.text);
        return 1;
    }
}

} // namespace varnel::legacy
