// Field: typed access to the value of the dataset's current record (or of the row being read by
// ReadRow, a filter or OnCalcFields), conversions with the session's settings, and the value
// events (OnValidate, OnChange, OnGetText, OnSetText).
//
// Invariants: a stored value always has the field's type (or is null): SetValue converts and
// refuses what does not convert; strings are cut to Size characters; a value refused by
// OnValidate is not kept.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset_impl.h"

namespace cad {

namespace {

[[noreturn]] void invalidValue(const Field& f, const std::string& text) {
  throw Exception("'" + text + "' não é um valor válido para " + f.DisplayName() + ".");
}

std::string dateText(DateTime d) {
  std::string s = formatDate(d, formatSettings().shortDateFormat);
  if (d.serial != d.dateOnly().serial) {
    int h, m, sec;
    d.decodeTime(h, m, sec);
    char buf[16];
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", h, m, sec);
    s += buf;
  }
  return s;
}

std::optional<bool> parseBool(std::string_view s) {
  std::string t = upperCase(trim(s));
  if (t == "TRUE" || t == "T" || t == "S" || t == "SIM" || t == "1") return true;
  if (t == "FALSE" || t == "F" || t == "N" || t == "NÃO" || t == "NAO" || t == "0") return false;
  return std::nullopt;
}

// Converts a value to the field's type for storing.
Variant convert(const Field& f, const Variant& v) {
  if (v.isNull()) return v;
  if (v.isPacket() || v.isArray())
    throw Exception("Valor do tipo " + std::string(Variant::kindName(v.kind())) + " não cabe no campo '" +
                    f.DisplayName() + "'.");
  switch (f.DataType()) {
    case FieldType::String: {
      std::string s = v.isString()     ? v.str()
                      : v.isFloat()    ? floatToStr(v.asFloat())
                      : v.isDateTime() ? dateText(v.asDateTime())
                                       : v.asString();
      if (f.Size() > 0 && s.size() > static_cast<size_t>(f.Size())) s = utf8Left(s, static_cast<size_t>(f.Size()));
      if (f.Numeric) {
        std::string t = trim(s);
        if (!f.AcceptsText(t) || t == "-") invalidValue(f, s);
      }
      return Variant(std::move(s));
    }
    case FieldType::Integer: {
      if (v.isInt()) return v;
      if (v.isBool()) return Variant(v.asBool() ? 1 : 0);
      double d;
      if (v.isString()) {
        std::string t = trim(v.str());
        if (t.empty()) return Variant();
        auto p = parseFloat(t);
        if (!p) invalidValue(f, v.str());
        d = *p;
        if (d != std::floor(d)) invalidValue(f, v.str());
      } else {
        d = v.asFloat();
      }
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) invalidValue(f, v.asString());
      return Variant(static_cast<long long>(std::llround(d)));
    }
    case FieldType::Float: {
      if (v.isFloat()) return v;
      if (v.isString()) {
        std::string t = trim(v.str());
        if (t.empty()) return Variant();
        auto p = parseFloat(t);
        if (!p) invalidValue(f, v.str());
        return Variant(*p);
      }
      return Variant(v.asFloat());
    }
    case FieldType::DateTime: {
      if (v.isDateTime()) return v;
      if (v.isString()) {
        std::string t = trim(v.str());
        if (t.empty()) return Variant();
        auto d = parseDate(t, formatSettings().shortDateFormat);
        if (!d) d = DateTime::parseIso(t);
        if (!d) throw Exception("'" + v.str() + "' não é uma data válida.");
        return Variant(*d);
      }
      if (v.isBool()) invalidValue(f, v.asString());
      return Variant(DateTime{v.asFloat()});
    }
    case FieldType::Boolean: {
      if (v.isBool()) return v;
      if (v.isString()) {
        if (trim(v.str()).empty()) return Variant();
        auto b = parseBool(v.str());
        if (!b) invalidValue(f, v.str());
        return Variant(*b);
      }
      if (v.isDateTime()) invalidValue(f, v.asString());
      return Variant(v.asFloat() != 0);
    }
  }
  return v;
}

}  // namespace

Field::Field(DataSet& owner, FieldDef def, FieldKind kind)
    : DisplayLabel(def.name), owner_(&owner), def_(std::move(def)), kind_(kind) {
  Align = def_.type == FieldType::Integer || def_.type == FieldType::Float ? Alignment::Right : Alignment::Left;
}

int Field::Index() const { return index_; }

bool Field::IsNumber() const { return Numeric || def_.type == FieldType::Integer || def_.type == FieldType::Float; }

bool Field::AcceptsText(const std::string& text) const {
  if (!IsNumber()) return true;
  const char dec = formatSettings().decimalSeparator, thousands = formatSettings().thousandSeparator;
  bool separator = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '-' && i == 0 && MinValue < 0) continue;
    // An edit text formatted with thousands keeps them in its whole part.
    if (c == thousands && !Numeric && !separator && i > 0) continue;
    if (c == dec && def_.type == FieldType::Float && !separator) {
      separator = true;
      continue;
    }
    return false;
  }
  return true;
}

std::string Field::DisplayName() const { return DisplayLabel.empty() ? def_.name : DisplayLabel; }

Variant Field::Value() const {
  const Variant& v = owner_->d_->fieldValue(*this);
  // Packets from outside may carry an integral float or an ISO date text; read them as typed.
  if (def_.type == FieldType::Integer && v.isFloat()) {
    double d = v.asFloat();
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18) return Variant(static_cast<long long>(d));
  }
  if (def_.type == FieldType::DateTime && v.isString())
    if (auto d = DateTime::parseIso(v.str())) return Variant(*d);
  return v;
}

void Field::SetValue(const Variant& v) {
  DataSet::Impl& d = *owner_->d_;
  const char* notEditing = "Conjunto de dados não está em modo de edição ou inserção.";
  if (index_ < 0 || slot_ < 0) throw Exception("Campo '" + def_.name + "' não pertence mais ao conjunto de dados.");
  if (d.calcState) {
    // OnCalcFields fills calculated fields only; nothing is notified.
    if (kind_ != FieldKind::Calculated) throw Exception(notEditing);
    d.calc[static_cast<size_t>(slot_)] = convert(*this, v);
    return;
  }
  if (d.readRow || !d.editing()) throw Exception(notEditing);
  if (ReadOnly) throw Exception("Campo '" + DisplayName() + "' não pode ser modificado.");
  Variant nv = convert(*this, v);
  auto store = [&]() -> Values& { return kind_ == FieldKind::Calculated ? d.calc : d.buf; };
  auto s = static_cast<size_t>(slot_);
  Variant old = std::move(store()[s]);
  store()[s] = std::move(nv);
  if (OnValidate) {
    try {
      OnValidate(*this);
    } catch (...) {
      if (d.editing() && s < store().size()) store()[s] = std::move(old);
      throw;
    }
    if (!d.editing()) return;  // the handler ended the edit: nothing left to change
  }
  if (kind_ == FieldKind::Data) {
    d.modified = true;
    d.computeCalc();
  }
  d.sendRecordChanged(this);
  if (OnChange) OnChange(*this);
}

Variant Field::OldValue() const {
  DataSet::Impl& d = *owner_->d_;
  if (kind_ != FieldKind::Data || slot_ < 0) return Value();
  if (d.state == DataSetState::Insert) return Variant();
  if (d.state == DataSetState::Edit && d.cur >= 0) return d.stored(d.rows[static_cast<size_t>(d.rowAt(d.cur))], slot_);
  return Value();
}

bool Field::IsNull() const { return owner_->d_->fieldValue(*this).isNull(); }

void Field::Clear() { SetValue(Variant()); }

std::string Field::AsString() const {
  Variant v = Value();
  if (v.isNull()) return {};
  switch (def_.type) {
    case FieldType::Float:
      if (v.isNumber()) return floatToStr(v.asFloat());
      break;
    case FieldType::DateTime:
      if (v.isDateTime()) return dateText(v.asDateTime());
      break;
    default: break;
  }
  if (v.isFloat()) return floatToStr(v.asFloat());
  if (v.isDateTime()) return dateText(v.asDateTime());
  return v.asString();
}

void Field::SetAsString(const std::string& s) {
  if (def_.type != FieldType::String && trim(s).empty()) {
    SetValue(Variant());
    return;
  }
  SetValue(Variant(s));
}

double Field::AsFloat() const {
  Variant v = Value();
  if (v.isString()) {
    if (auto d = parseFloat(v.str())) return *d;
  }
  return v.asFloat();
}

void Field::SetAsFloat(double d) { SetValue(Variant(d)); }

int64_t Field::AsInteger() const { return Value().asInt(); }

void Field::SetAsInteger(int64_t i) { SetValue(Variant(static_cast<long long>(i))); }

DateTime Field::AsDateTime() const { return Value().asDateTime(); }

void Field::SetAsDateTime(DateTime d) { SetValue(Variant(d)); }

bool Field::AsBoolean() const {
  Variant v = Value();
  if (v.isString()) {
    if (auto b = parseBool(v.str())) return *b;
  }
  return v.asBool();
}

void Field::SetAsBoolean(bool b) { SetValue(Variant(b)); }

namespace {

// The default text of a field, classic rules: numbers in their display (or edit) format, dates in
// the display format when showing, strings through their edit mask when showing.
std::string defaultText(const Field& f, bool display) {
  Variant v = f.Value();
  if (v.isNull()) return {};
  switch (f.DataType()) {
    case FieldType::Integer:
    case FieldType::Float: {
      const std::string& fmt = display || f.EditFormat.empty() ? f.DisplayFormat : f.EditFormat;
      if (!fmt.empty() && v.isNumber()) return formatFloat(fmt, v.asFloat());
      break;
    }
    case FieldType::DateTime:
      if (display && !f.DisplayFormat.empty() && v.isDateTime()) return formatDate(v.asDateTime(), f.DisplayFormat);
      break;
    case FieldType::String:
      if (display && !f.EditMask.empty()) {
        EditMask mask(f.EditMask);
        if (!mask.empty()) return mask.apply(v.isString() ? v.str() : v.asString());
      }
      break;
    case FieldType::Boolean: break;
  }
  return f.AsString();
}

}  // namespace

std::string Field::Text() const {
  std::string t = defaultText(*this, false);
  if (OnGetText) OnGetText(const_cast<Field&>(*this), t, false);
  return t;
}

void Field::SetText(const std::string& s) {
  if (OnSetText)
    OnSetText(*this, s);
  else
    SetAsString(s);
}

std::string Field::DisplayText() const {
  std::string t = defaultText(*this, true);
  if (OnGetText) OnGetText(const_cast<Field&>(*this), t, true);
  return t;
}

void Field::FocusControl() {
  DataSet::Impl& d = *owner_->d_;
  if (d.disableCount > 0) return;
  for (size_t i = 0; i < d.sources.size(); ++i)
    if (d.sources[i]->notifyFocusControl(*this)) return;
}

}  // namespace cad
