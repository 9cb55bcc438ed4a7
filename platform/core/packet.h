// Packet: field definitions plus rows, the unit in which data travels between the application
// server and the client datasets. A change set is a packet whose rows also carry their change kind
// and, for modified and deleted rows, the original values.
//
// Storage: the rows of a packet (and of a query's result set) are kept by column, each column one
// typed array (integers, floats, dates and booleans unboxed, texts in one arena with their end
// offsets, a bit per row for nulls), so a large packet costs about the size of its values and is
// read without building a Variant per cell. The decoder, the database backends and the server fill
// columns straight; the dataset, the encoder and the server read them. `rows` still offers the
// rows as vectors of Variants for code that builds or edits small packets by hand: reading them
// builds that row form once, writing them makes the row form the storage from then on.
#pragma once

#include <atomic>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/variant.h"

namespace cad {

enum class FieldType : uint8_t { String, Integer, Float, Boolean, DateTime };

const char* fieldTypeName(FieldType t);  // "string", "integer", "float", "boolean", "datetime"
bool parseFieldType(std::string_view s, FieldType& out);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int size = 0;  // characters, for strings (0 = unbounded)
  bool required = false;
  bool fixedChar = false;  // fixed-length character field (flags)
};

enum class ChangeKind : uint8_t { Inserted, Modified, Deleted };
const char* changeKindName(ChangeKind k);  // "insert", "modify", "delete"

// One column: the values of one kind unboxed in a typed array, a bit per row for nulls. A column
// takes the kind of its first non-null value; a value of another kind turns it into a column of
// Variants (rare: hand-built rows), so every value reads back exactly as it was pushed.
class PacketColumn {
 public:
  enum class Store : uint8_t { Nulls, Bool, Int, Float, Text, Date, Mixed };

  size_t size() const { return n_; }
  Store store() const { return store_; }
  bool isNull(size_t r) const { return (nulls_[r >> 6] >> (r & 63)) & 1u; }
  // Typed reads of a non-null value of the column's own store.
  bool boolAt(size_t r) const { return words_[r] != 0; }
  int64_t intAt(size_t r) const { return static_cast<int64_t>(words_[r]); }
  double floatAt(size_t r) const;
  DateTime dateAt(size_t r) const;
  std::string_view textAt(size_t r) const {
    uint32_t b = r ? ends_[r - 1] : 0;
    return std::string_view(arena_.data() + b, ends_[r] - b);
  }
  const Variant& mixedAt(size_t r) const { return mixed_[r]; }
  Variant at(size_t r) const;  // any store

  // Room for `rows` rows in all, and `textBytes` bytes of text, before the arrays grow; a column
  // still without a store takes the room when its first value gives it one.
  void reserve(size_t rows, size_t textBytes = 0);
  // The pushes of a value of the column's own store (the usual case) are inline: a packet is filled
  // a cell at a time, millions of times for a large one.
  void pushNull() {
    switch (store_) {
      case Store::Nulls: break;
      case Store::Text: ends_.push_back(ends_.empty() ? 0 : ends_.back()); break;
      case Store::Mixed: mixed_.emplace_back(); break;
      default: words_.push_back(0);
    }
    newRow(true);
  }
  void pushBool(bool b) { pushWord(Store::Bool, b ? 1 : 0); }
  void pushInt(int64_t i) { pushWord(Store::Int, static_cast<uint64_t>(i)); }
  void pushFloat(double d) {
    uint64_t w;
    std::memcpy(&w, &d, sizeof w);
    pushWord(Store::Float, w);
  }
  void pushDate(DateTime d) {
    uint64_t w;
    std::memcpy(&w, &d.serial, sizeof w);
    pushWord(Store::Date, w);
  }
  void pushText(std::string_view s) {
    if (store_ != Store::Text || arena_.size() + s.size() > UINT32_MAX) return pushOtherText(s);
    arena_.append(s);
    ends_.push_back(static_cast<uint32_t>(arena_.size()));
    newRow(false);
  }
  void push(const Variant& v);
  // Text pushed in pieces: the arena a text is appended to, then the row is closed.
  std::string& textArena() {
    if (store_ != Store::Text) adopt(Store::Text);  // a mixed column gathers the text there too
    return arena_;
  }
  void closeText() {
    if (store_ != Store::Text || arena_.size() > UINT32_MAX) return closeOtherText();
    ends_.push_back(static_cast<uint32_t>(arena_.size()));
    newRow(false);
  }

  void shrinkToFit();    // gives back room reserved beyond the rows held
  size_t bytes() const;  // memory the column holds

 private:
  void newRow(bool null) {
    if ((n_ & 63) == 0) nulls_.push_back(0);
    nulls_.back() |= uint64_t{null} << (n_ & 63);
    ++n_;
  }
  void pushWord(Store s, uint64_t w) {
    if (store_ != s) return pushOther(s, w);
    words_.push_back(w);
    newRow(false);
  }
  void pushOther(Store s, uint64_t w);  // a word value into a column of another store
  void pushOtherText(std::string_view s);
  void closeOtherText();
  bool adopt(Store s);  // whether a value of store s goes unboxed (taking the store when empty)
  void toMixed();

  Store store_ = Store::Nulls;
  size_t n_ = 0;
  size_t roomRows_ = 0, roomText_ = 0;  // reserved before the store was known
  std::vector<uint64_t> nulls_;         // bit r set: row r is null
  std::vector<uint64_t> words_;         // Bool, Int, Float, Date: the value's bits (0 for null)
  std::vector<uint32_t> ends_;          // Text: end offset of row r's text in the arena
  std::string arena_;                   // Text: every text, one after the other
  std::vector<Variant> mixed_;          // Mixed: the values themselves
};

// The rows of a packet: by column (see above), with the classic row form on demand.
class PacketRows {
 public:
  using Row = std::vector<Variant>;
  using value_type = Row;
  using size_type = size_t;
  using reference = Row&;
  using const_reference = const Row&;
  using iterator = std::vector<Row>::iterator;
  using const_iterator = std::vector<Row>::const_iterator;

  PacketRows() = default;
  PacketRows(std::vector<Row> rows) : rows_(std::move(rows)) {}  // NOLINT: rows convert
  PacketRows(const PacketRows& o);
  PacketRows(PacketRows&& o) noexcept;
  PacketRows& operator=(const PacketRows& o);
  PacketRows& operator=(PacketRows&& o) noexcept;
  PacketRows& operator=(std::vector<Row> rows);
  PacketRows& operator=(std::initializer_list<Row> rows) { return *this = std::vector<Row>(rows); }

  size_t size() const { return columnar_ ? count_ : rows_.size(); }
  bool empty() const { return size() == 0; }

  // ---- by column
  // Whether the columns hold the rows (else the row form does, e.g. a hand-built packet).
  bool columnar() const { return columnar_; }
  size_t width() const { return cols_.size(); }
  const PacketColumn& column(size_t c) const { return cols_[c]; }
  // The value at row r, column c, from either form (null past the end of a short row).
  Variant cell(size_t r, size_t c) const;
  // Replaces the rows by `rowCount` rows held in `cols` (each of that size).
  void setColumns(std::vector<PacketColumn> cols, size_t rowCount);
  // Takes the columns out (rows left empty); null when the rows are not columnar.
  bool takeColumns(std::vector<PacketColumn>& cols, size_t& rowCount);
  size_t bytes() const;  // memory the columns hold

  // ---- the row form (built on first read when columnar; writing makes it the storage)
  const std::vector<Row>& rowForm() const;
  operator const std::vector<Row>&() const { return rowForm(); }  // NOLINT
  const Row& operator[](size_t i) const { return rowForm()[i]; }
  Row& operator[](size_t i) { return writable()[i]; }
  const Row& at(size_t i) const { return rowForm().at(i); }
  Row& at(size_t i) { return writable().at(i); }
  const Row& front() const { return rowForm().front(); }
  Row& front() { return writable().front(); }
  const Row& back() const { return rowForm().back(); }
  Row& back() { return writable().back(); }
  const_iterator begin() const { return rowForm().begin(); }
  const_iterator end() const { return rowForm().end(); }
  iterator begin() { return writable().begin(); }
  iterator end() { return writable().end(); }
  void reserve(size_t n) { writable().reserve(n); }
  void clear();
  void push_back(const Row& r) { writable().push_back(r); }
  void push_back(Row&& r) { writable().push_back(std::move(r)); }
  template <class... A>
  Row& emplace_back(A&&... a) {
    return writable().emplace_back(std::forward<A>(a)...);
  }

  friend bool operator==(const PacketRows& a, const PacketRows& b) { return a.rowForm() == b.rowForm(); }
  friend bool operator==(const PacketRows& a, const std::vector<Row>& b) { return a.rowForm() == b; }
  friend bool operator!=(const PacketRows& a, const PacketRows& b) { return !(a == b); }

 private:
  std::vector<Row>& writable();

  mutable std::vector<Row> rows_;  // the row form: the storage when not columnar, else a cache
  mutable std::atomic<bool> rowsBuilt_{false};
  mutable std::mutex buildMutex_;
  std::vector<PacketColumn> cols_;
  size_t count_ = 0;
  bool columnar_ = false;
};

struct Packet {
  std::vector<FieldDef> fields;
  PacketRows rows;

  // Change-set part; empty in a plain packet. kinds[i] and original[i] describe rows[i]:
  // inserted rows have an empty original, deleted rows repeat the original values in rows[i].
  bool delta = false;
  std::vector<ChangeKind> kinds;
  std::vector<std::vector<Variant>> original;

  // Index of a field by name without regard to letter case; -1 when absent.
  int fieldIndex(std::string_view name) const;
  // Value of a named field in a row; throws cad::Exception when the field is absent.
  Variant value(size_t row, std::string_view field) const;
  size_t rowCount() const { return rows.size(); }
};

}  // namespace cad
