// DataSet core: lifecycle, packets, navigation, editing, change log, filter, index and the
// notification of data sources, with the classic event order (see dataset.h).
//
// Every operation that can be refused runs its Before... handlers before touching any state, so
// an exception from one of them leaves state, cursor and data as they were. Operations that leave
// a record in edit or insert first go through CheckBrowseMode (post when modified, else cancel).
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset_impl.h"

namespace cad {

namespace {

const char* const kClosed = "Operação não permitida em um conjunto de dados fechado.";
const char* const kEmpty = "Operação não permitida em um conjunto de dados vazio.";
const char* const kReadOnly = "Conjunto de dados somente leitura.";
const char* const kNotEditing = "Conjunto de dados não está em modo de edição ou inserção.";
const char* const kDeltaRefused = "Um pacote de alterações não pode ser carregado como dados.";
const char* const kNoData = "Conjunto de dados sem dados para abrir.";
const char* const kChanged = "O conjunto de dados foi alterado por um evento durante a operação.";

// A Before... handler may itself move, post or close the dataset; operations re-check what they
// rely on afterwards and stop instead of working on rows that are gone.
void expect(bool ok) {
  if (!ok) throw Exception(kChanged);
}

void fire(const DataSetEvent& ev, DataSet& ds) {
  if (ev) ev(ds);
}

std::vector<std::string> splitNames(std::string_view names) {
  std::vector<std::string> out;
  size_t b = 0;
  while (b <= names.size()) {
    size_t e = names.find(';', b);
    if (e == std::string_view::npos) e = names.size();
    std::string n = trim(names.substr(b, e - b));
    if (!n.empty()) out.push_back(std::move(n));
    b = e + 1;
  }
  return out;
}

// Reads a row (or the edit buffer) for the filter evaluator; calculated slots follow the data
// slots and read the calculated values of the record being read.
class RowReader final : public FilterRow {
 public:
  RowReader(const DataSet::Impl& d, const Row* row, const Values* buf) : d_(d), row_(row), buf_(buf) {}
  Variant value(int slot) const override {
    int nData = static_cast<int>(d_.dataFields.size());
    if (slot >= nData) return d_.calc[static_cast<size_t>(slot - nData)];
    if (buf_) return (*buf_)[static_cast<size_t>(slot)];
    return d_.stored(*row_, slot);
  }

 private:
  const DataSet::Impl& d_;
  const Row* row_;
  const Values* buf_;
};

// Makes the fields read another row for the duration of a scope, with its calculated values.
class ReadScope {
 public:
  ReadScope(DataSet::Impl& d, const Row* row, bool fromBuf, bool computeCalc) : d_(d) {
    savedRow_ = d.readRow;
    savedBuf_ = d.readBuf;
    saved_.swap(d.calc);
    d.readRow = row;
    d.readBuf = fromBuf;
    try {
      if (computeCalc)
        d.computeCalc();
      else
        d.calc = saved_;
    } catch (...) {
      restore();
      throw;
    }
  }
  ~ReadScope() { restore(); }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  void restore() {
    d_.readRow = savedRow_;
    d_.readBuf = savedBuf_;
    d_.calc.swap(saved_);
  }

  DataSet::Impl& d_;
  const Row* savedRow_;
  bool savedBuf_;
  Values saved_;
};

// Locate keys converted once to the field's type, compared against each row.
struct Key {
  Key(int s, FieldType t) : slot(s), type(t) {}
  int slot;
  FieldType type;
  bool null = false;
  std::string text;
  double num = 0;
  bool valid = true;  // false: the key cannot equal any value of the field
};

bool keyMatches(const Key& k, const Variant& v, const LocateOptions& o) {
  if (k.type == FieldType::String) {
    std::string tmp;
    std::string_view s;
    if (v.isString()) {
      s = v.str();
    } else if (!v.isNull()) {
      tmp = v.asString();
      s = tmp;
    }
    if (k.null) return s.empty();
    if (o.partialKey) {
      if (!o.caseInsensitive) return s.substr(0, std::min(s.size(), k.text.size())) == k.text;
      return compareText(utf8Left(s, utf8Length(k.text)), k.text) == 0;
    }
    return o.caseInsensitive ? sameText(s, k.text) : s == k.text;
  }
  if (k.null || v.isNull()) return k.null && v.isNull();
  if (!k.valid) return false;
  try {
    switch (k.type) {
      case FieldType::DateTime: return v.asDateTime().serial == k.num;
      case FieldType::Boolean: return (v.asBool() ? 1.0 : 0.0) == k.num;
      default: return v.asFloat() == k.num;
    }
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

const char* stateName(DataSetState s) {
  switch (s) {
    case DataSetState::Inactive: return "inactive";
    case DataSetState::Browse: return "browse";
    case DataSetState::Edit: return "edit";
    case DataSetState::Insert: return "insert";
    case DataSetState::CalcFields: return "calcfields";
  }
  return "inactive";
}

// ======================================================================= Impl helpers

int DataSet::Impl::displayOf(int rowPos) const {
  if (rowPos < 0) return -1;
  if (!filtering) return rowPos < static_cast<int>(rows.size()) ? rowPos : -1;
  auto it = std::lower_bound(view.begin(), view.end(), static_cast<uint32_t>(rowPos));
  if (it == view.end() || *it != static_cast<uint32_t>(rowPos)) return -1;
  return static_cast<int>(it - view.begin());
}

int DataSet::Impl::displayOfId(Bookmark id) const {
  if (id == 0) return -1;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].id == id) return displayOf(static_cast<int>(i));
  return -1;
}

int DataSet::Impl::editRow() const {
  if (state == DataSetState::Insert) return pending;
  return cur >= 0 ? rowAt(cur) : -1;
}

Variant DataSet::Impl::stored(const Row& r, int slot) const {
  auto s = static_cast<size_t>(slot);
  if (r.cur) return (*r.cur)[s];
  if (r.base) return (*r.base)[s];
  if (r.pkt != Row::kNoPkt) {
    int c = colMap[s];
    if (c >= 0) return packet->rows.cell(r.pkt, static_cast<size_t>(c));
  }
  return {};
}

Values DataSet::Impl::values(const Row& r) const {
  if (r.cur) return *r.cur;
  return baseValues(r);
}

Values DataSet::Impl::baseValues(const Row& r) const {
  if (r.base) return *r.base;
  Values v(dataFields.size());
  if (r.pkt != Row::kNoPkt)
    for (size_t s = 0; s < v.size(); ++s) {
      int c = colMap[s];
      if (c >= 0) v[s] = packet->rows.cell(r.pkt, static_cast<size_t>(c));
    }
  return v;
}

Variant DataSet::Impl::fieldValue(const Field& f) const {
  if (f.index_ < 0 || f.slot_ < 0) return {};
  auto s = static_cast<size_t>(f.slot_);
  if (f.Kind() == FieldKind::Calculated) return s < calc.size() ? calc[s] : Variant();
  if (readRow) return readBuf ? buf[s] : stored(*readRow, f.slot_);
  if (state == DataSetState::Inactive) return {};
  if (editing()) return buf[s];
  if (cur < 0) return {};
  return stored(rows[static_cast<size_t>(rowAt(cur))], f.slot_);
}

void DataSet::Impl::beginScroll() {
  checkActive();
  self.CheckBrowseMode();
  fire(self.BeforeScroll, self);
  expect(state == DataSetState::Browse);
}

void DataSet::Impl::setCursor(int to, bool newBof, bool newEof, bool rowsChanged) {
  bool moved = to != cur;
  bool changed = moved || rowsChanged || newBof != bof || newEof != eof;
  cur = to;
  bof = newBof;
  eof = newEof;
  if (moved || rowsChanged) computeCalc();
  if (changed) sendDataSetChanged();
}

void DataSet::Impl::resync(int at, int oldPos) {
  int n = count();
  setCursor(n == 0 ? -1 : at >= 0 ? at : std::min(std::max(oldPos, 0), n - 1), n == 0, n == 0, true);
}

void DataSet::Impl::refilterToFirst() {
  applyFilter();
  int n = count();
  setCursor(n > 0 ? 0 : -1, true, n == 0, true);
}

void DataSet::Impl::checkActive() const {
  if (state == DataSetState::Inactive) throw Exception(kClosed);
}

void DataSet::Impl::checkCanModify() const {
  if (self.ReadOnly) throw Exception(kReadOnly);
}

void DataSet::Impl::computeCalc() {
  calc.assign(calcFields.size(), Variant());
  if (calcFields.empty() || !self.OnCalcFields) return;
  if (!readRow && (state == DataSetState::Inactive || (!editing() && cur < 0))) return;
  bool saved = calcState;
  calcState = true;
  try {
    self.OnCalcFields(self);
  } catch (...) {
    calcState = saved;
    throw;
  }
  calcState = saved;
}

bool DataSet::Impl::filterActive() const { return filtered && ((filter && !filter->empty()) || self.OnFilterRecord); }

void DataSet::Impl::rebuildView() {
  filtering = filterActive();
  view.clear();
  if (!filtering) return;
  view.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].visible || static_cast<int>(i) == pending) view.push_back(static_cast<uint32_t>(i));
}

bool DataSet::Impl::evalFilter(const Row& r) {
  bool hasExpr = filter && !filter->empty();
  // The common case reads the row directly; calculated fields and OnFilterRecord need the fields
  // to read this row.
  if (!filterUsesCalc) {
    if (hasExpr && !filter->matches(RowReader(*this, &r, nullptr))) return false;
    if (!self.OnFilterRecord) return true;
  }
  ReadScope scope(*this, &r, false, filterUsesCalc);
  if (filterUsesCalc && hasExpr && !filter->matches(RowReader(*this, &r, nullptr))) return false;
  return !self.OnFilterRecord || self.OnFilterRecord(self);
}

void DataSet::Impl::applyFilter() {
  if (filterActive()) {
    for (auto& r : rows) r.visible = evalFilter(r);
  } else {
    for (auto& r : rows) r.visible = true;
  }
  rebuildView();
}

bool DataSet::Impl::bindFilter(FilterExpr& fx) {
  bool usesCalc = false;
  int nData = static_cast<int>(dataFields.size());
  fx.bind([&](const std::string& name, FilterField& out) {
    Field* f = self.FindField(name);
    if (!f) return false;
    out.type = f->DataType();
    if (f->Kind() == FieldKind::Calculated) {
      out.slot = nData + f->slot_;
      usesCalc = true;
    } else {
      out.slot = f->slot_;
    }
    return true;
  });
  return usesCalc;
}

std::vector<int> DataSet::Impl::resolveIndex(const std::string& names, std::vector<bool>& desc) const {
  std::vector<int> slots;
  desc.clear();
  for (auto n : splitNames(names)) {
    // A trailing " DESC" (any case) orders that field from the greatest value down.
    bool down = n.size() > 5 && std::isspace(static_cast<unsigned char>(n[n.size() - 5])) &&
                strcasecmp(n.c_str() + n.size() - 4, "DESC") == 0;
    if (down) n = trim(std::string_view(n).substr(0, n.size() - 5));
    Field& f = self.FieldByName(n);
    if (f.Kind() != FieldKind::Data)
      throw Exception("Campo calculado '" + f.FieldName() + "' não pode fazer parte do índice.");
    slots.push_back(f.slot_);
    desc.push_back(down);
  }
  return slots;
}

namespace {

// Index ordering of two values: the common same-kind cases directly, the rest by Variant rules.
int compareKey(const Variant& a, const Variant& b) {
  if (a.isString() && b.isString()) {
    int c = a.str().compare(b.str());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return Variant::compare(a, b);
}

}  // namespace

int DataSet::Impl::compareRows(const Row& a, const Row& b) const {
  for (size_t j = 0; j < indexSlots.size(); ++j) {
    // Two unchanged rows of a packet whose column holds texts: compared where they lie.
    int col = colMap[static_cast<size_t>(indexSlots[j])];
    if (a.pkt != Row::kNoPkt && b.pkt != Row::kNoPkt && !a.cur && !a.base && !b.cur && !b.base &&
        packet->rows.columnar() && col >= 0 && static_cast<size_t>(col) < packet->rows.width()) {
      const PacketColumn& pc = packet->rows.column(static_cast<size_t>(col));
      if (pc.store() == PacketColumn::Store::Text) {
        bool na = pc.isNull(a.pkt), nb = pc.isNull(b.pkt);
        int c = na || nb ? (na == nb ? 0 : na ? -1 : 1) : pc.textAt(a.pkt).compare(pc.textAt(b.pkt));
        c = c < 0 ? -1 : c > 0 ? 1 : 0;
        if (c) return indexDesc[j] ? -c : c;
        continue;
      }
    }
    int c = compareKey(stored(a, indexSlots[j]), stored(b, indexSlots[j]));
    if (c) return indexDesc[j] ? -c : c;
  }
  return 0;
}

namespace {

// An index key of one row gathered for a sort: a text read in place (from the packet's arena or
// from a value held here), or any other value.
struct SortKey {
  Variant value;          // the value, unless it is a text of the packet
  std::string_view text;  // when isText
  bool isText = false;

  Variant asVariant() const { return isText && !value.isString() ? Variant(text) : value; }
};

int compareSortKeys(const SortKey& a, const SortKey& b) {
  if (a.isText && b.isText) {
    int c = a.text.compare(b.text);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return Variant::compare(a.asVariant(), b.asVariant());
}

}  // namespace

// When the first index field holds only texts and nulls, sorts `order` (stable) by entries that
// carry the key's first bytes after the prefix every key shares, as one big-endian integer: most
// comparisons are then one integer comparison, without reaching the texts. Equal integers fall
// back to the texts, then to the other index fields. False (nothing done) for any other key.
static bool sortByTextKey(std::vector<uint32_t>& order, const std::vector<SortKey>& keys, size_t k) {
  size_t n = order.size();
  std::string_view first;
  bool any = false;
  size_t common = 0;
  for (size_t i = 0; i < n; ++i) {
    const SortKey& v = keys[i * k];
    if (!v.isText) {
      if (v.value.isNull()) continue;
      return false;
    }
    std::string_view t = v.text;
    if (!any) {
      first = t;
      common = t.size();
      any = true;
    } else {
      size_t m = std::min(common, t.size()), j = 0;
      while (j < m && first[j] == t[j]) ++j;
      common = j;
    }
  }
  struct Entry {
    uint64_t head = 0;      // up to 8 bytes after the shared prefix, big-endian, zero-padded
    std::string_view rest;  // the text after the shared prefix
    uint32_t row = 0;
    bool null = false;
  };
  std::vector<Entry> entries(n);
  for (size_t i = 0; i < n; ++i) {
    const SortKey& v = keys[i * k];
    Entry& e = entries[i];
    e.row = static_cast<uint32_t>(i);
    e.null = !v.isText;
    e.head = 0;
    if (e.null) continue;
    e.rest = v.text.substr(common);
    for (size_t b = 0; b < 8; ++b)
      e.head = (e.head << 8) | (b < e.rest.size() ? static_cast<unsigned char>(e.rest[b]) : 0u);
  }
  std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.null != b.null) return a.null;
    if (!a.null) {
      if (a.head != b.head) return a.head < b.head;
      if (int c = a.rest.compare(b.rest)) return c < 0;
    }
    for (size_t j = 1; j < k; ++j)
      if (int c = compareSortKeys(keys[size_t{a.row} * k + j], keys[size_t{b.row} * k + j])) return c < 0;
    return false;
  });
  for (size_t i = 0; i < n; ++i) order[i] = entries[i].row;
  return true;
}

// Sorts by the index fields, stable, through a permutation of row numbers and the key values
// gathered once (moving whole rows inside the sort would cost more than the comparisons); texts
// of the loaded packet are compared where they lie, without a copy.
void DataSet::Impl::sortRows() {
  if (indexSlots.empty()) return;
  auto less = [this](const Row& a, const Row& b) { return compareRows(a, b) < 0; };
  if (std::is_sorted(rows.begin(), rows.end(), less)) return;
  size_t n = rows.size(), k = indexSlots.size();
  std::vector<SortKey> keys(n * k);  // filled in place: the views may point into the values
  for (size_t j = 0; j < k; ++j) {
    int c = colMap[static_cast<size_t>(indexSlots[j])];
    const PacketColumn* col = nullptr;
    if (packet && packet->rows.columnar() && c >= 0 && static_cast<size_t>(c) < packet->rows.width() &&
        packet->rows.column(static_cast<size_t>(c)).store() == PacketColumn::Store::Text)
      col = &packet->rows.column(static_cast<size_t>(c));
    for (size_t i = 0; i < n; ++i) {
      const Row& r = rows[i];
      SortKey& key = keys[i * k + j];
      if (col && r.pkt != Row::kNoPkt && !r.cur && !r.base) {
        key.isText = !col->isNull(r.pkt);
        if (key.isText) key.text = col->textAt(r.pkt);
        continue;
      }
      key.value = stored(r, indexSlots[j]);
      if (key.value.isString()) {
        key.isText = true;
        key.text = key.value.str();
      }
    }
  }
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
  bool anyDesc = std::find(indexDesc.begin(), indexDesc.end(), true) != indexDesc.end();
  if (anyDesc || !sortByTextKey(order, keys, k)) {
    std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
      const SortKey* kx = &keys[size_t{x} * k];
      const SortKey* ky = &keys[size_t{y} * k];
      for (size_t j = 0; j < k; ++j)
        if (int c = compareSortKeys(kx[j], ky[j])) return indexDesc[j] ? c > 0 : c < 0;
      return false;
    });
  }
  std::vector<Row> sorted;
  sorted.reserve(n);
  for (uint32_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
  pristine = false;
}

int DataSet::Impl::placeByIndex(int r) {
  if (indexSlots.empty()) return r;
  auto pos = static_cast<size_t>(r);
  bool afterPrev = pos == 0 || compareRows(rows[pos - 1], rows[pos]) <= 0;
  bool beforeNext = pos + 1 >= rows.size() || compareRows(rows[pos], rows[pos + 1]) <= 0;
  if (afterPrev && beforeNext) return r;  // still in order: equal keys keep their places
  Row moving = std::move(rows[pos]);
  rows.erase(rows.begin() + r);
  auto it = std::upper_bound(rows.begin(), rows.end(), moving,
                             [this](const Row& a, const Row& b) { return compareRows(a, b) < 0; });
  int at = static_cast<int>(it - rows.begin());
  rows.insert(it, std::move(moving));
  pristine = false;
  return at;
}

void DataSet::Impl::recheckPristine() {
  pristine = packet && deleted.empty() && rows.size() == packet->rows.size();
  for (size_t i = 0; pristine && i < rows.size(); ++i) pristine = rows[i].pkt == i && !rows[i].cur && !rows[i].base;
}

// Resolves index and filter against the current fields and orders and filters the rows.
void DataSet::Impl::prepareRows() {
  std::vector<bool> desc;
  std::vector<int> slots = resolveIndex(indexText, desc);
  if (filtered && filter) filterUsesCalc = bindFilter(*filter);
  indexSlots = std::move(slots);
  indexDesc = std::move(desc);
  sortRows();
  applyFilter();
}

void DataSet::Impl::bindFields(const std::vector<FieldDef>& cols) {
  // Dynamic fields of the previous binding are reused by name so references stay meaningful.
  std::vector<std::unique_ptr<Field>> oldDynamic;
  for (size_t i = persistentCount; i < fields.size(); ++i) oldDynamic.push_back(std::move(fields[i]));
  fields.resize(persistentCount);

  std::vector<bool> used(cols.size(), false);
  colMap.clear();
  dataFields.clear();
  calcFields.clear();
  bool identity = persistentCount == 0;
  for (auto& f : fields) {
    if (f->Kind() == FieldKind::Calculated) {
      f->slot_ = static_cast<int>(calcFields.size());
      calcFields.push_back(f.get());
      continue;
    }
    int c = -1;
    for (size_t i = 0; i < cols.size(); ++i)
      if (!used[i] && sameText(cols[i].name, f->FieldName())) {
        c = static_cast<int>(i);
        used[i] = true;
        break;
      }
    f->slot_ = static_cast<int>(dataFields.size());
    dataFields.push_back(f.get());
    colMap.push_back(c);
  }
  for (size_t i = 0; i < cols.size(); ++i) {
    if (used[i]) continue;
    std::unique_ptr<Field> f;
    for (auto* pool : {&oldDynamic, &retired})
      for (auto& old : *pool)
        if (!f && old && sameText(old->FieldName(), cols[i].name)) f = std::move(old);
    if (f) {
      f->def_ = cols[i];
    } else {
      f = std::make_unique<Field>(self, cols[i], FieldKind::Data);
    }
    f->Required = cols[i].required;
    f->slot_ = static_cast<int>(dataFields.size());
    dataFields.push_back(f.get());
    colMap.push_back(static_cast<int>(i));
    fields.push_back(std::move(f));
  }
  retired.erase(std::remove(retired.begin(), retired.end(), nullptr), retired.end());
  for (auto& old : oldDynamic)
    if (old) {
      old->index_ = -1;
      old->slot_ = -1;
      retired.push_back(std::move(old));
    }
  for (size_t i = 0; i < fields.size(); ++i) fields[i]->index_ = static_cast<int>(i);
  // Data() may hand out the packet itself only when the dataset's columns are the packet's.
  identityFields = identity && dataFields.size() == cols.size();
  for (size_t i = 0; identityFields && i < cols.size(); ++i) identityFields = colMap[i] == static_cast<int>(i);
}

void DataSet::Impl::load(PacketPtr p, bool fromFetch) {
  bindFields(p->fields);
  rows.clear();
  deleted.clear();
  rows.resize(p->rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    Row& r = rows[i];
    r.id = nextId++;
    r.pkt = static_cast<uint32_t>(i);
    r.baseOrd = static_cast<uint32_t>(i);
  }
  packet = std::move(p);
  loaded = true;
  fetched = fromFetch;
  pristine = true;
  pending = -1;
}

void DataSet::Impl::unload() {
  rows.clear();
  deleted.clear();
  view.clear();
  packet.reset();
  loaded = false;
  fetched = false;
  pristine = false;
}

std::vector<FieldDef> DataSet::Impl::dataDefs() const {
  std::vector<FieldDef> defs;
  defs.reserve(dataFields.size());
  for (Field* f : dataFields) defs.push_back(f->Def());
  return defs;
}

void DataSet::Impl::sendStateChange() {
  if (disableCount > 0) return;
  for (size_t i = 0; i < sources.size(); ++i) sources[i]->notifyStateChange();
}

void DataSet::Impl::sendDataSetChanged() {
  if (disableCount > 0) return;
  for (size_t i = 0; i < sources.size(); ++i) sources[i]->notifyDataSetChanged();
}

void DataSet::Impl::sendRecordChanged(Field* f) {
  if (disableCount > 0) return;
  for (size_t i = 0; i < sources.size(); ++i) sources[i]->notifyRecordChanged(f);
}

void DataSet::Impl::sendUpdateData() {
  if (disableCount > 0) return;
  for (size_t i = 0; i < sources.size(); ++i) sources[i]->notifyUpdateData();
}

// ======================================================================= DataSet

DataSet::DataSet(std::string name) : Name(std::move(name)), d_(std::make_unique<Impl>(*this)) {}

DataSet::~DataSet() {
  // Unlink the data sources first so no control keeps a pointer to this dataset.
  std::vector<DataSource*> srcs = d_->sources;
  for (DataSource* s : srcs) s->SetDataSet(nullptr);
}

// ---- fields

Field& DataSet::AddField(const FieldDef& def) { return d_->addPersistent(def, FieldKind::Data); }

Field& DataSet::AddCalcField(const std::string& name, FieldType type, int size) {
  FieldDef def;
  def.name = name;
  def.type = type;
  def.size = size;
  return d_->addPersistent(def, FieldKind::Calculated);
}

Field& DataSet::Impl::addPersistent(const FieldDef& def, FieldKind kind) {
  if (state != DataSetState::Inactive)
    throw Exception("Não é possível alterar os campos de um conjunto de dados aberto.");
  if (trim(def.name).empty()) throw Exception("Nome de campo vazio.");
  for (size_t i = 0; i < persistentCount; ++i)
    if (sameText(fields[i]->FieldName(), def.name)) throw Exception("Campo '" + def.name + "' duplicado.");
  // Declaring fields discards loaded data and the dynamic fields made for it.
  unload();
  bindFields({});
  auto f = std::make_unique<Field>(self, def, kind);
  f->Required = kind == FieldKind::Data && def.required;
  Field& ref = *f;
  fields.push_back(std::move(f));
  persistentCount = fields.size();
  bindFields({});
  return ref;
}

Field* DataSet::FindField(std::string_view name) const {
  for (auto& f : d_->fields)
    if (sameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

Field& DataSet::FieldByName(std::string_view name) const {
  if (Field* f = FindField(name)) return *f;
  throw Exception("Campo '" + std::string(name) + "' não encontrado" + (Name.empty() ? "" : " em " + Name) + ".");
}

int DataSet::FieldCount() const { return static_cast<int>(d_->fields.size()); }

Field& DataSet::Fields(int index) const {
  if (index < 0 || index >= FieldCount())
    throw Exception("Índice de campo fora do intervalo: " + std::to_string(index) + ".");
  return *d_->fields[static_cast<size_t>(index)];
}

// ---- lifecycle

void DataSet::Open() {
  if (d_->state != DataSetState::Inactive) return;
  fire(BeforeOpen, *this);
  if (!d_->loaded) {
    PacketPtr p = fetchData();
    if (!p) throw Exception(kNoData);
    if (p->delta) throw Exception(kDeltaRefused);
    d_->load(std::move(p), true);
  }
  try {
    d_->prepareRows();
  } catch (...) {
    if (d_->fetched) d_->unload();
    throw;
  }
  d_->cur = d_->count() > 0 ? 0 : -1;
  d_->bof = true;
  d_->eof = d_->count() == 0;
  d_->state = DataSetState::Browse;
  d_->computeCalc();
  d_->sendStateChange();
  fire(AfterOpen, *this);
  if (!IsEmpty()) fire(AfterScroll, *this);
}

void DataSet::Close() {
  if (d_->state == DataSetState::Inactive) return;
  CheckBrowseMode();
  fire(BeforeClose, *this);
  if (d_->state == DataSetState::Inactive) return;
  expect(!d_->editing());
  d_->state = DataSetState::Inactive;
  d_->cur = -1;
  d_->bof = d_->eof = true;
  d_->buf.clear();
  d_->modified = false;
  d_->calc.assign(d_->calcFields.size(), Variant());
  d_->view.clear();
  d_->filtering = false;
  if (d_->fetched) d_->unload();
  d_->sendStateChange();
  fire(AfterClose, *this);
}

bool DataSet::Active() const { return d_->state != DataSetState::Inactive; }

void DataSet::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void DataSet::CreateDataSet() {
  Close();
  std::vector<FieldDef> defs;
  if (d_->persistentCount == 0) {
    if (!FieldDefs.empty())
      defs = FieldDefs;
    else
      defs = d_->dataDefs();
    if (defs.empty()) throw Exception("Conjunto de dados sem definição de campos.");
  }
  d_->unload();
  d_->bindFields(defs);
  d_->identityFields = false;
  d_->loaded = true;
  Open();
}

void DataSet::EmptyDataSet() {
  d_->checkActive();
  CheckBrowseMode();
  for (auto& r : d_->rows) {
    if (LogChanges && r.status != RowStatus::Inserted) {
      r.cur.reset();
      r.seq = d_->nextSeq++;
      d_->deleted.push_back(std::move(r));
    }
  }
  d_->rows.clear();
  d_->view.clear();
  d_->pristine = false;
  d_->cur = -1;
  d_->bof = d_->eof = true;
  d_->computeCalc();
  d_->sendDataSetChanged();
}

DataSetState DataSet::State() const { return d_->calcState ? DataSetState::CalcFields : d_->state; }

void DataSet::Refresh() {
  d_->checkActive();
  CheckBrowseMode();
  if (d_->fetched) {
    int oldPos = d_->cur;
    Values old;
    if (d_->cur >= 0) old = d_->values(d_->rows[static_cast<size_t>(d_->rowAt(d_->cur))]);
    PacketPtr p = fetchData();
    if (!p) throw Exception(kNoData);
    if (p->delta) throw Exception(kDeltaRefused);
    d_->load(std::move(p), true);
    d_->prepareRows();
    // The same row again: by its index key, else by all its values, else the same position.
    auto sameAs = [&](const Row& r, const std::vector<int>& slots) {
      for (int s : slots)
        if (d_->stored(r, s) != old[static_cast<size_t>(s)]) return false;
      return true;
    };
    std::vector<int> allSlots;
    for (size_t s = 0; s < d_->dataFields.size(); ++s) allSlots.push_back(static_cast<int>(s));
    int found = -1;
    if (!old.empty() && old.size() == d_->dataFields.size())
      for (const auto* slots : {&d_->indexSlots, &allSlots}) {
        if (slots->empty()) continue;
        for (int i = 0; found < 0 && i < d_->count(); ++i)
          if (sameAs(d_->rows[static_cast<size_t>(d_->rowAt(i))], *slots)) found = i;
        if (found >= 0) break;
      }
    d_->resync(found, oldPos);
  } else {
    // Local data has nothing to fetch: re-apply the filter and keep the current row.
    int oldPos = d_->cur;
    Bookmark keep = GetBookmark();
    d_->applyFilter();
    d_->resync(d_->displayOfId(keep), oldPos);
  }
}

PacketPtr DataSet::fetchData() { throw Exception(kNoData); }

// ---- packets

PacketPtr DataSet::Data() const {
  if (d_->pristine && d_->identityFields && d_->pending < 0 && d_->packet) return d_->packet;
  auto p = std::make_shared<Packet>();
  p->fields = d_->dataDefs();
  std::vector<PacketColumn> cols(d_->dataFields.size());
  size_t count = 0;
  for (size_t i = 0; i < d_->rows.size(); ++i) {
    if (static_cast<int>(i) == d_->pending) continue;
    for (size_t s = 0; s < cols.size(); ++s) cols[s].push(d_->stored(d_->rows[i], static_cast<int>(s)));
    ++count;
  }
  p->rows.setColumns(std::move(cols), count);
  return p;
}

void DataSet::SetData(PacketPtr packet) {
  if (packet && packet->delta) throw Exception(kDeltaRefused);
  Close();
  if (!packet) {
    d_->unload();
    return;
  }
  d_->load(std::move(packet), false);
  Open();
}

PacketPtr DataSet::Delta() const {
  struct Entry {
    uint64_t seq;
    const Row* row;
    bool deleted;
  };
  std::vector<Entry> entries;
  for (size_t i = 0; i < d_->rows.size(); ++i)
    if (d_->rows[i].status != RowStatus::Base && static_cast<int>(i) != d_->pending)
      entries.push_back({d_->rows[i].seq, &d_->rows[i], false});
  for (const auto& r : d_->deleted) entries.push_back({r.seq, &r, true});
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.seq < b.seq; });

  auto p = std::make_shared<Packet>();
  p->fields = d_->dataDefs();
  p->delta = true;
  for (const auto& e : entries) {
    if (e.deleted) {
      Values orig = d_->baseValues(*e.row);
      p->rows.push_back(orig);
      p->original.push_back(std::move(orig));
      p->kinds.push_back(ChangeKind::Deleted);
    } else if (e.row->status == RowStatus::Inserted) {
      p->rows.push_back(d_->values(*e.row));
      p->original.emplace_back();
      p->kinds.push_back(ChangeKind::Inserted);
    } else {
      p->rows.push_back(d_->values(*e.row));
      p->original.push_back(d_->baseValues(*e.row));
      p->kinds.push_back(ChangeKind::Modified);
    }
  }
  return p;
}

int DataSet::ChangeCount() const {
  int n = static_cast<int>(d_->deleted.size());
  for (const auto& r : d_->rows) n += r.status != RowStatus::Base ? 1 : 0;
  return n;
}

void DataSet::MergeChangeLog() {
  bool changed = !d_->deleted.empty();
  d_->deleted.clear();
  uint32_t ord = 0;
  for (size_t i = 0; i < d_->rows.size(); ++i) {
    if (static_cast<int>(i) == d_->pending) continue;
    Row& r = d_->rows[i];
    if (r.cur) {
      r.base = std::move(r.cur);
      r.pkt = Row::kNoPkt;
    }
    changed |= r.status != RowStatus::Base;
    r.status = RowStatus::Base;
    r.baseOrd = ord++;
  }
  if (changed && Active()) d_->sendDataSetChanged();
}

void DataSet::CancelUpdates() {
  if (Active()) Cancel();
  Bookmark keep = GetBookmark();
  int oldPos = d_->cur;
  std::vector<Row> restored;
  restored.reserve(d_->rows.size() + d_->deleted.size());
  for (auto& r : d_->rows)
    if (r.status != RowStatus::Inserted) restored.push_back(std::move(r));
  for (auto& r : d_->deleted) restored.push_back(std::move(r));
  d_->deleted.clear();
  for (auto& r : restored) {
    r.cur.reset();
    r.status = RowStatus::Base;
  }
  std::stable_sort(restored.begin(), restored.end(), [](const Row& a, const Row& b) { return a.baseOrd < b.baseOrd; });
  d_->rows = std::move(restored);
  d_->recheckPristine();
  if (!Active()) return;
  d_->sortRows();
  d_->applyFilter();
  d_->resync(d_->displayOfId(keep), oldPos);
}

// ---- navigation

void DataSet::First() {
  d_->beginScroll();
  int n = d_->count();
  d_->setCursor(n > 0 ? 0 : -1, true, n == 0);
  fire(AfterScroll, *this);
}

void DataSet::Last() {
  d_->beginScroll();
  int n = d_->count();
  d_->setCursor(n - 1, n == 0, true);
  fire(AfterScroll, *this);
}

void DataSet::Next() { MoveBy(1); }
void DataSet::Prior() { MoveBy(-1); }

int DataSet::MoveBy(int distance) {
  d_->beginScroll();
  int n = d_->count(), from = d_->cur;
  bool bof = d_->bof, eof = d_->eof;
  long long target = from;
  if (n == 0) {
    bof = eof = true;
  } else if (distance > 0 && !eof) {
    target = std::min<long long>(static_cast<long long>(from) + distance, n - 1);
    eof = static_cast<long long>(from) + distance > n - 1;
    bof = false;
  } else if (distance < 0 && !bof) {
    target = std::max<long long>(static_cast<long long>(from) + distance, 0);
    bof = static_cast<long long>(from) + distance < 0;
    eof = false;
  }
  d_->setCursor(static_cast<int>(target), bof, eof);
  fire(AfterScroll, *this);
  return static_cast<int>(target) - from;
}

int DataSet::RecNo() const { return d_->state == DataSetState::Inactive ? 0 : d_->cur + 1; }

void DataSet::SetRecNo(int recNo) {
  d_->checkActive();
  if (recNo == RecNo()) return;
  CheckBrowseMode();
  int n = d_->count();
  int target = std::min(std::max(recNo, 1), n) - 1;
  if (n == 0 || target == d_->cur) return;
  fire(BeforeScroll, *this);
  expect(d_->count() > 0 && !d_->editing());
  d_->setCursor(std::min(target, d_->count() - 1), false, false);
  fire(AfterScroll, *this);
}

bool DataSet::Bof() const { return d_->state == DataSetState::Inactive || d_->bof; }
bool DataSet::Eof() const { return d_->state == DataSetState::Inactive || d_->eof; }

int DataSet::RecordCount() const {
  if (d_->state == DataSetState::Inactive) return 0;
  return d_->count() - (d_->pending >= 0 ? 1 : 0);
}

bool DataSet::IsEmpty() const { return d_->state == DataSetState::Inactive || d_->count() == 0; }

namespace {

// Converts locate values to the key fields' types once, so the row scan only compares.
std::vector<Key> makeKeys(const DataSet& ds, std::string_view keyFields, const Variant& values) {
  std::vector<std::string> names = splitNames(keyFields);
  if (names.empty()) throw Exception("Nenhum campo informado para a pesquisa.");
  std::vector<Variant> vals;
  if (values.isArray())
    vals = values.asArray();
  else
    vals.push_back(values);
  if (vals.size() != names.size())
    throw Exception("A pesquisa informa " + std::to_string(vals.size()) + " valor(es) para " +
                    std::to_string(names.size()) + " campo(s).");
  std::vector<Key> keys;
  for (size_t i = 0; i < names.size(); ++i) {
    Field& f = ds.FieldByName(names[i]);
    if (f.Kind() != FieldKind::Data)
      throw Exception("Campo calculado '" + f.FieldName() + "' não pode ser usado na pesquisa.");
    Key k(DataSet::Impl::slotOf(f), f.DataType());
    const Variant& v = vals[i];
    k.null = v.isNull();
    if (!k.null) {
      try {
        switch (k.type) {
          case FieldType::String:
            k.text = v.isFloat()      ? floatToStr(v.asFloat())
                     : v.isDateTime() ? formatDate(v.asDateTime(), formatSettings().shortDateFormat)
                                      : v.asString();
            break;
          case FieldType::DateTime: k.num = v.asDateTime().serial; break;
          case FieldType::Boolean: k.num = v.asBool() ? 1 : 0; break;
          default: {
            std::optional<double> d;
            if (v.isString()) d = parseFloat(v.str());
            k.num = d ? *d : v.asFloat();
          }
        }
      } catch (const Exception&) {
        k.valid = false;
      }
    }
    keys.push_back(std::move(k));
  }
  return keys;
}

// Display index of the first row of the view matching every key; -1 when none.
int findRow(const DataSet::Impl& d, const std::vector<Key>& keys, const LocateOptions& options) {
  for (int i = 0, n = d.count(); i < n; ++i) {
    const Row& r = d.rows[static_cast<size_t>(d.rowAt(i))];
    bool all = true;
    for (const auto& k : keys)
      if (!keyMatches(k, d.stored(r, k.slot), options)) {
        all = false;
        break;
      }
    if (all) return i;
  }
  return -1;
}

}  // namespace

bool DataSet::Locate(std::string_view keyFields, const Variant& values, LocateOptions options) {
  d_->checkActive();
  std::vector<Key> keys = makeKeys(*this, keyFields, values);
  CheckBrowseMode();
  int found = findRow(*d_, keys, options);
  if (found < 0) return false;
  Bookmark target = d_->rows[static_cast<size_t>(d_->rowAt(found))].id;
  fire(BeforeScroll, *this);
  found = d_->displayOfId(target);
  expect(found >= 0 && !d_->editing());
  d_->setCursor(found, false, false, true);
  fire(AfterScroll, *this);
  return true;
}

Variant DataSet::Lookup(std::string_view keyFields, const Variant& values, std::string_view resultFields) {
  d_->checkActive();
  std::vector<Key> keys = makeKeys(*this, keyFields, values);
  std::vector<Field*> results;
  for (const auto& n : splitNames(resultFields)) results.push_back(&FieldByName(n));
  if (results.empty()) throw Exception("Nenhum campo de resultado informado.");
  CheckBrowseMode();
  int found = findRow(*d_, keys, LocateOptions{});
  if (found < 0) return Variant();
  VariantArray out;
  ReadRow(found, [&] {
    for (Field* f : results) out.push_back(f->Value());
  });
  if (out.size() == 1) return out[0];
  return Variant(std::move(out));
}

Bookmark DataSet::GetBookmark() const {
  if (d_->state == DataSetState::Inactive || d_->cur < 0) return 0;
  return d_->rows[static_cast<size_t>(d_->rowAt(d_->cur))].id;
}

bool DataSet::BookmarkValid(Bookmark b) const { return d_->state != DataSetState::Inactive && d_->displayOfId(b) >= 0; }

void DataSet::GotoBookmark(Bookmark b) {
  d_->checkActive();
  CheckBrowseMode();
  int at = d_->displayOfId(b);
  if (at < 0) throw Exception("Registro não encontrado.");
  fire(BeforeScroll, *this);
  at = d_->displayOfId(b);
  expect(at >= 0 && !d_->editing());
  d_->setCursor(at, false, false, true);
  fire(AfterScroll, *this);
}

int DataSet::DisplayCount() const { return d_->state == DataSetState::Inactive ? 0 : d_->count(); }
int DataSet::DisplayIndex() const { return d_->state == DataSetState::Inactive ? -1 : d_->cur; }

void DataSet::ReadRow(int index, const std::function<void()>& fn) {
  d_->checkActive();
  if (index < 0 || index >= d_->count())
    throw Exception("Linha " + std::to_string(index) + " fora do conjunto de dados.");
  int r = d_->rowAt(index);
  bool fromBuf = d_->editing() && r == d_->editRow();
  // The current row already has its calculated values; other rows get theirs computed.
  ReadScope scope(*d_, &d_->rows[static_cast<size_t>(r)], fromBuf, index != d_->cur);
  fn();
}

// ---- editing

void DataSet::Insert() { d_->insertRow(false); }
void DataSet::Append() { d_->insertRow(true); }

// Insert places the new row before the current one, Append after the last; the row shows at its
// place at once and takes its values from `buf` until it is posted.
void DataSet::Impl::insertRow(bool append) {
  checkActive();
  self.CheckBrowseMode();
  checkCanModify();
  fire(self.BeforeInsert, self);
  fire(self.BeforeScroll, self);
  expect(state == DataSetState::Browse);
  int at = append || cur < 0 ? static_cast<int>(rows.size()) : rowAt(cur);
  Row row;
  row.id = nextId++;
  prevCur = cur;
  prevBof = bof;
  prevEof = eof;
  rows.insert(rows.begin() + at, std::move(row));
  pending = at;
  if (filtering) rebuildView();
  cur = displayOf(at);
  bof = eof = false;
  buf.assign(dataFields.size(), Variant());
  modified = false;
  state = DataSetState::Insert;
  computeCalc();
  sendStateChange();
  try {
    fire(self.OnNewRecord, self);
  } catch (...) {
    dropPending();
    state = DataSetState::Browse;
    computeCalc();
    sendStateChange();
    sendDataSetChanged();
    throw;
  }
  modified = false;
  sendDataSetChanged();
  fire(self.AfterInsert, self);
  fire(self.AfterScroll, self);
}

// Removes the row being inserted and returns to the row that was current before.
void DataSet::Impl::dropPending() {
  rows.erase(rows.begin() + pending);
  pending = -1;
  if (filtering) rebuildView();
  cur = prevCur;
  bof = prevBof;
  eof = prevEof;
  buf.clear();
  modified = false;
}

void DataSet::Edit() {
  d_->checkActive();
  if (d_->editing()) return;
  if (RecordCount() == 0) {
    Insert();
    return;
  }
  d_->checkCanModify();
  fire(BeforeEdit, *this);
  expect(d_->state == DataSetState::Browse && d_->cur >= 0 && d_->pending < 0);
  d_->buf = d_->values(d_->rows[static_cast<size_t>(d_->rowAt(d_->cur))]);
  d_->modified = false;
  d_->state = DataSetState::Edit;
  d_->sendStateChange();
  d_->sendRecordChanged(nullptr);
  fire(AfterEdit, *this);
}

void DataSet::Post() {
  if (!d_->editing()) throw Exception(kNotEditing);
  UpdateRecord();
  expect(d_->editing());
  fire(BeforePost, *this);
  expect(d_->editing());
  for (Field* f : d_->dataFields) {
    if (!f->Required) continue;
    const Variant& v = d_->buf[static_cast<size_t>(f->slot_)];
    if (v.isNull() || (v.isString() && trim(v.str()).empty()))
      throw Exception("Campo '" + f->DisplayName() + "' deve ser informado.");
  }

  bool inserting = d_->state == DataSetState::Insert;
  int r = d_->editRow();
  int oldDisplay = d_->cur;
  Row& row = d_->rows[static_cast<size_t>(r)];
  if (inserting) {
    row.cur = std::make_unique<Values>(std::move(d_->buf));
    if (LogChanges) {
      row.status = RowStatus::Inserted;
      row.seq = d_->nextSeq++;
    } else {
      row.base = std::move(row.cur);
    }
    d_->pending = -1;
    if (!LogChanges) {
      // The row joins the base where it stands.
      uint32_t ord = 0;
      for (auto& other : d_->rows) other.baseOrd = ord++;
    }
    d_->pristine = false;
  } else if (d_->modified) {
    if (LogChanges || row.status != RowStatus::Base) {
      if (row.cur)
        *row.cur = std::move(d_->buf);
      else
        row.cur = std::make_unique<Values>(std::move(d_->buf));
      if (LogChanges) {
        if (row.status == RowStatus::Base) row.status = RowStatus::Modified;
        row.seq = d_->nextSeq++;
      }
    } else {
      row.base = std::make_unique<Values>(std::move(d_->buf));
      row.pkt = Row::kNoPkt;
    }
    d_->pristine = false;
  }
  d_->buf.clear();
  d_->modified = false;
  d_->state = DataSetState::Browse;

  // The posted row takes its index place and leaves the view when it no longer matches.
  r = d_->placeByIndex(r);
  Row& placed = d_->rows[static_cast<size_t>(r)];
  placed.visible = !d_->filterActive() || d_->evalFilter(placed);
  if (d_->filtering || d_->filterActive()) d_->rebuildView();
  int at = d_->displayOf(r);
  if (at < 0) at = std::min(oldDisplay, d_->count() - 1);
  d_->cur = d_->count() > 0 ? at : -1;
  d_->bof = d_->eof = d_->count() == 0;
  d_->computeCalc();
  d_->sendStateChange();
  d_->sendDataSetChanged();
  fire(AfterPost, *this);
}

void DataSet::Cancel() {
  if (!d_->editing()) return;
  fire(BeforeCancel, *this);
  if (!d_->editing()) return;
  if (d_->state == DataSetState::Insert) d_->dropPending();
  d_->buf.clear();
  d_->modified = false;
  d_->state = DataSetState::Browse;
  d_->computeCalc();
  d_->sendStateChange();
  d_->sendDataSetChanged();
  fire(AfterCancel, *this);
}

void DataSet::Delete() {
  d_->checkActive();
  if (d_->state == DataSetState::Insert) {
    Cancel();
    return;
  }
  if (RecordCount() == 0) throw Exception(kEmpty);
  d_->checkCanModify();
  fire(BeforeDelete, *this);
  fire(BeforeScroll, *this);
  expect(d_->state != DataSetState::Inactive && d_->state != DataSetState::Insert && d_->cur >= 0);
  int at = d_->cur;
  int r = d_->rowAt(at);
  Row& row = d_->rows[static_cast<size_t>(r)];
  if (LogChanges && row.status != RowStatus::Inserted) {
    row.cur.reset();
    row.seq = d_->nextSeq++;
    d_->deleted.push_back(std::move(row));
  }
  d_->rows.erase(d_->rows.begin() + r);
  d_->pristine = false;
  if (d_->filtering) d_->rebuildView();
  int n = d_->count();
  d_->cur = n == 0 ? -1 : std::min(at, n - 1);
  d_->bof = d_->eof = n == 0;
  bool wasEditing = d_->editing();
  d_->buf.clear();
  d_->modified = false;
  d_->state = DataSetState::Browse;
  d_->computeCalc();
  if (wasEditing) d_->sendStateChange();
  d_->sendDataSetChanged();
  fire(AfterDelete, *this);
  fire(AfterScroll, *this);
}

bool DataSet::Modified() const { return d_->editing() && d_->modified; }

void DataSet::CheckBrowseMode() {
  d_->checkActive();
  if (!d_->editing()) return;
  UpdateRecord();
  if (Modified())
    Post();
  else
    Cancel();
}

void DataSet::UpdateRecord() {
  if (!d_->editing()) return;
  d_->sendUpdateData();
}

// ---- filter and order

const std::string& DataSet::Filter() const { return d_->filterText; }

void DataSet::SetFilter(const std::string& expr) {
  auto fx = std::make_unique<FilterExpr>(expr);
  if (Active() && d_->filtered) {
    CheckBrowseMode();
    bool usesCalc = d_->bindFilter(*fx);
    fire(BeforeScroll, *this);
    d_->filterUsesCalc = usesCalc;
    d_->filterText = expr;
    d_->filter = std::move(fx);
    d_->refilterToFirst();
    fire(AfterScroll, *this);
    return;
  }
  d_->filterText = expr;
  d_->filter = std::move(fx);
}

bool DataSet::Filtered() const { return d_->filtered; }

void DataSet::SetFiltered(bool on) {
  if (on == d_->filtered) return;
  if (!Active()) {
    d_->filtered = on;
    return;
  }
  CheckBrowseMode();
  bool usesCalc = on && d_->filter && d_->bindFilter(*d_->filter);
  fire(BeforeScroll, *this);
  d_->filterUsesCalc = usesCalc;
  d_->filtered = on;
  d_->refilterToFirst();
  fire(AfterScroll, *this);
}

const std::string& DataSet::IndexFieldNames() const { return d_->indexText; }

void DataSet::SetIndexFieldNames(const std::string& names) {
  if (!Active()) {
    d_->indexText = names;
    return;
  }
  std::vector<bool> desc;
  std::vector<int> slots = d_->resolveIndex(names, desc);
  CheckBrowseMode();
  Bookmark keep = GetBookmark();
  d_->indexText = names;
  d_->indexSlots = std::move(slots);
  d_->indexDesc = std::move(desc);
  d_->sortRows();
  d_->rebuildView();
  int at = d_->displayOfId(keep);
  d_->cur = d_->count() == 0 ? -1 : std::max(at, 0);
  d_->sendDataSetChanged();
}

// ---- controls

void DataSet::DisableControls() {
  if (d_->disableCount++ == 0) d_->disableState = d_->state;
}

void DataSet::EnableControls() {
  if (d_->disableCount == 0) return;
  if (--d_->disableCount > 0) return;
  if (d_->disableState != d_->state) d_->sendStateChange();
  if (d_->disableState != DataSetState::Inactive && d_->state != DataSetState::Inactive) d_->sendDataSetChanged();
}

bool DataSet::ControlsDisabled() const { return d_->disableCount > 0; }

void DataSet::attachSource(DataSource* src) {
  if (src && std::find(d_->sources.begin(), d_->sources.end(), src) == d_->sources.end()) d_->sources.push_back(src);
}

void DataSet::detachSource(DataSource* src) {
  d_->sources.erase(std::remove(d_->sources.begin(), d_->sources.end(), src), d_->sources.end());
}

const std::vector<DataSource*>& DataSet::sources() const { return d_->sources; }

}  // namespace cad
