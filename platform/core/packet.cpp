#include "platform/core/packet.h"

#include <algorithm>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad {

const char* fieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::String: return "string";
    case FieldType::Integer: return "integer";
    case FieldType::Float: return "float";
    case FieldType::Boolean: return "boolean";
    case FieldType::DateTime: return "datetime";
  }
  return "string";
}

bool parseFieldType(std::string_view s, FieldType& out) {
  static const std::pair<const char*, FieldType> kNames[] = {{"string", FieldType::String},
                                                             {"integer", FieldType::Integer},
                                                             {"float", FieldType::Float},
                                                             {"boolean", FieldType::Boolean},
                                                             {"datetime", FieldType::DateTime}};
  for (const auto& [name, type] : kNames)
    if (s == name) {
      out = type;
      return true;
    }
  return false;
}

const char* changeKindName(ChangeKind k) {
  switch (k) {
    case ChangeKind::Inserted: return "insert";
    case ChangeKind::Modified: return "modify";
    case ChangeKind::Deleted: return "delete";
  }
  return "modify";
}

int Packet::fieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (sameText(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

Variant Packet::value(size_t row, std::string_view field) const {
  int i = fieldIndex(field);
  if (i < 0) throw Exception("Campo '" + std::string(field) + "' não encontrado no pacote.");
  auto c = static_cast<size_t>(i);
  bool inside = row < rows.size() && (rows.columnar() ? c < rows.width() : c < rows[row].size());
  if (!inside) throw Exception("Linha " + std::to_string(row) + " fora do pacote.");
  return rows.cell(row, c);
}

// ---------------------------------------------------------------- PacketColumn

double PacketColumn::floatAt(size_t r) const {
  double d;
  std::memcpy(&d, &words_[r], sizeof d);
  return d;
}

DateTime PacketColumn::dateAt(size_t r) const {
  DateTime d;
  std::memcpy(&d.serial, &words_[r], sizeof d.serial);
  return d;
}

Variant PacketColumn::at(size_t r) const {
  if (store_ == Store::Mixed) return mixed_[r];
  if (isNull(r)) return {};
  switch (store_) {
    case Store::Bool: return Variant(boolAt(r));
    case Store::Int: return Variant(static_cast<long long>(intAt(r)));
    case Store::Float: return Variant(floatAt(r));
    case Store::Date: return Variant(dateAt(r));
    case Store::Text: return Variant(textAt(r));
    default: return {};
  }
}

void PacketColumn::reserve(size_t rows, size_t textBytes) {
  nulls_.reserve((rows + 63) / 64);
  switch (store_) {
    case Store::Nulls:
      roomRows_ = rows;
      roomText_ = textBytes;
      break;
    case Store::Text:
      ends_.reserve(rows);
      arena_.reserve(textBytes);
      break;
    case Store::Mixed: mixed_.reserve(rows); break;
    default: words_.reserve(rows);
  }
}

bool PacketColumn::adopt(Store s) {
  if (store_ == s) return true;
  if (store_ == Store::Nulls) {
    // Earlier rows were all null: they take the new store's empty value, in the room reserved.
    store_ = s;
    size_t room = std::max(roomRows_, n_ + 1);
    if (s == Store::Text) {
      ends_.reserve(room);
      ends_.assign(n_, 0);
      arena_.reserve(roomText_);
    } else {
      words_.reserve(room);
      words_.assign(n_, 0);
    }
    return true;
  }
  if (store_ != Store::Mixed) toMixed();
  return false;
}

void PacketColumn::toMixed() {
  std::vector<Variant> m;
  m.reserve(n_ + 1);
  for (size_t r = 0; r < n_; ++r) m.push_back(at(r));
  mixed_ = std::move(m);
  words_ = {};
  ends_ = {};
  arena_ = {};
  store_ = Store::Mixed;
}

void PacketColumn::pushOther(Store s, uint64_t w) {
  if (adopt(s)) {
    words_.push_back(w);
  } else {
    switch (s) {
      case Store::Bool: mixed_.emplace_back(w != 0); break;
      case Store::Int: mixed_.emplace_back(static_cast<long long>(w)); break;
      case Store::Float: {
        double d;
        std::memcpy(&d, &w, sizeof d);
        mixed_.emplace_back(d);
        break;
      }
      default: {
        DateTime d;
        std::memcpy(&d.serial, &w, sizeof d.serial);
        mixed_.emplace_back(d);
      }
    }
  }
  newRow(false);
}

void PacketColumn::pushOtherText(std::string_view s) {
  if (adopt(Store::Text)) {
    if (arena_.size() + s.size() > UINT32_MAX) throw Exception("Textos grandes demais para uma coluna do pacote.");
    arena_.append(s);
    ends_.push_back(static_cast<uint32_t>(arena_.size()));
  } else {
    mixed_.emplace_back(s);
  }
  newRow(false);
}

void PacketColumn::closeOtherText() {
  if (store_ == Store::Mixed) {
    mixed_.emplace_back(std::string(arena_));
    arena_.clear();
  } else {
    if (arena_.size() > UINT32_MAX) throw Exception("Textos grandes demais para uma coluna do pacote.");
    ends_.push_back(static_cast<uint32_t>(arena_.size()));
  }
  newRow(false);
}

void PacketColumn::push(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: pushNull(); break;
    case Variant::Kind::Bool: pushBool(v.asBool()); break;
    case Variant::Kind::Int: pushInt(v.asInt()); break;
    case Variant::Kind::Float: pushFloat(v.asFloat()); break;
    case Variant::Kind::String: pushText(v.str()); break;
    case Variant::Kind::DateTime: pushDate(v.asDateTime()); break;
    default:
      if (store_ != Store::Mixed) {
        if (store_ == Store::Nulls) {
          mixed_.assign(n_, Variant());
          store_ = Store::Mixed;
        } else {
          toMixed();
        }
      }
      mixed_.push_back(v);
      newRow(false);
  }
}

void PacketColumn::shrinkToFit() {
  nulls_.shrink_to_fit();
  words_.shrink_to_fit();
  ends_.shrink_to_fit();
  arena_.shrink_to_fit();
  mixed_.shrink_to_fit();
  roomRows_ = roomText_ = 0;
}

size_t PacketColumn::bytes() const {
  return nulls_.capacity() * sizeof(uint64_t) + words_.capacity() * sizeof(uint64_t) +
         ends_.capacity() * sizeof(uint32_t) + arena_.capacity() + mixed_.capacity() * sizeof(Variant);
}

// ---------------------------------------------------------------- PacketRows

PacketRows::PacketRows(const PacketRows& o) { *this = o; }

PacketRows::PacketRows(PacketRows&& o) noexcept { *this = std::move(o); }

PacketRows& PacketRows::operator=(const PacketRows& o) {
  if (this == &o) return *this;
  columnar_ = o.columnar_;
  count_ = o.count_;
  cols_ = o.cols_;
  rows_ = o.columnar_ ? std::vector<Row>() : o.rows_;
  rowsBuilt_.store(false, std::memory_order_relaxed);
  return *this;
}

PacketRows& PacketRows::operator=(PacketRows&& o) noexcept {
  if (this == &o) return *this;
  columnar_ = o.columnar_;
  count_ = o.count_;
  cols_ = std::move(o.cols_);
  rows_ = std::move(o.rows_);
  rowsBuilt_.store(o.rowsBuilt_.load(std::memory_order_acquire), std::memory_order_relaxed);
  o.clear();
  return *this;
}

PacketRows& PacketRows::operator=(std::vector<Row> rows) {
  clear();
  rows_ = std::move(rows);
  return *this;
}

void PacketRows::clear() {
  rows_.clear();
  cols_.clear();
  count_ = 0;
  columnar_ = false;
  rowsBuilt_.store(false, std::memory_order_relaxed);
}

Variant PacketRows::cell(size_t r, size_t c) const {
  if (columnar_) return c < cols_.size() ? cols_[c].at(r) : Variant();
  const Row& row = rows_[r];
  return c < row.size() ? row[c] : Variant();
}

void PacketRows::setColumns(std::vector<PacketColumn> cols, size_t rowCount) {
  for (const PacketColumn& c : cols)
    if (c.size() != rowCount) throw Exception("Coluna do pacote com número de linhas diferente das demais.");
  clear();
  cols_ = std::move(cols);
  count_ = rowCount;
  columnar_ = true;
}

bool PacketRows::takeColumns(std::vector<PacketColumn>& cols, size_t& rowCount) {
  if (!columnar_) return false;
  cols = std::move(cols_);
  rowCount = count_;
  clear();
  return true;
}

size_t PacketRows::bytes() const {
  size_t n = 0;
  for (const PacketColumn& c : cols_) n += c.bytes();
  return n;
}

const std::vector<PacketRows::Row>& PacketRows::rowForm() const {
  if (!columnar_ || rowsBuilt_.load(std::memory_order_acquire)) return rows_;
  // Packets are shared between threads read-only: the row form is built once, under a lock.
  std::lock_guard<std::mutex> lock(buildMutex_);
  if (!rowsBuilt_.load(std::memory_order_relaxed)) {
    std::vector<Row> rows(count_);
    for (size_t r = 0; r < count_; ++r) {
      rows[r].reserve(cols_.size());
      for (const PacketColumn& c : cols_) rows[r].push_back(c.at(r));
    }
    rows_ = std::move(rows);
    rowsBuilt_.store(true, std::memory_order_release);
  }
  return rows_;
}

std::vector<PacketRows::Row>& PacketRows::writable() {
  if (columnar_) {
    rowForm();
    cols_.clear();
    count_ = 0;
    columnar_ = false;
    rowsBuilt_.store(false, std::memory_order_relaxed);
  }
  return rows_;
}

}  // namespace cad
