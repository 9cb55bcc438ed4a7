// DataSource and DataLink: the observer side of datasets. A data source relays a dataset's
// notifications to its links (the data-aware controls) and to its own events; a link reaches its
// dataset only through its source.
//
// Invariants: a source is registered with at most one dataset and a link with at most one source;
// destroying any of the three unlinks it from the others, so no pointer outlives its object.
// Notifications walk the live lists by index, so a handler may unlink itself safely.
#include <algorithm>
#include <string>
#include <utility>

#include "platform/data/dataset.h"

namespace cad {

namespace {

bool isEditing(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

}  // namespace

// ---- DataLink

DataLink::~DataLink() {
  if (source_) source_->removeLink(this);
}

void DataLink::SetSource(DataSource* src) {
  if (src == source_) return;
  bool was = Active();
  if (source_) source_->removeLink(this);
  if (src) src->addLink(this);
  if (Active() != was) ActiveChanged();
}

DataSet* DataLink::GetDataSet() const { return source_ ? source_->GetDataSet() : nullptr; }

bool DataLink::Active() const { return source_ && source_->State() != DataSetState::Inactive; }

// ---- DataSource

DataSource::DataSource(std::string name) : Name(std::move(name)) {}

DataSource::~DataSource() {
  bool wasActive = lastState_ != DataSetState::Inactive;
  std::vector<DataLink*> links = std::move(links_);
  links_.clear();
  for (DataLink* l : links) l->source_ = nullptr;
  if (dataSet_) dataSet_->detachSource(this);
  dataSet_ = nullptr;
  if (wasActive)
    for (DataLink* l : links) l->ActiveChanged();
}

void DataSource::SetDataSet(DataSet* ds) {
  if (ds == dataSet_) return;
  if (dataSet_) {
    DataSet* old = dataSet_;
    dataSet_ = nullptr;
    old->detachSource(this);
    notifyStateChange();
  }
  if (ds) {
    dataSet_ = ds;
    ds->attachSource(this);
    notifyStateChange();
  }
}

void DataSource::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  notifyStateChange();
}

DataSetState DataSource::State() const { return enabled_ && dataSet_ ? dataSet_->State() : DataSetState::Inactive; }

void DataSource::Edit() {
  if (AutoEdit && dataSet_ && State() == DataSetState::Browse) dataSet_->Edit();
}

void DataSource::notifyStateChange() {
  DataSetState s = State();
  if (s == DataSetState::CalcFields || s == lastState_) return;
  DataSetState prior = lastState_;
  lastState_ = s;
  bool activeChanged = (prior != DataSetState::Inactive) != (s != DataSetState::Inactive);
  bool editingChanged = isEditing(prior) != isEditing(s);
  for (size_t i = 0; i < links_.size(); ++i) {
    DataLink* l = links_[i];
    if (activeChanged) l->ActiveChanged();
    if (editingChanged && i < links_.size() && links_[i] == l) l->EditingChanged();
  }
  if (OnStateChange) OnStateChange(*this);
  if (prior == DataSetState::Inactive && OnDataChange) OnDataChange(*this, nullptr);
}

void DataSource::notifyActiveChanged() {
  for (size_t i = 0; i < links_.size(); ++i) links_[i]->ActiveChanged();
}

void DataSource::notifyDataSetChanged() {
  if (State() == DataSetState::Inactive) return;
  for (size_t i = 0; i < links_.size(); ++i) links_[i]->DataSetChanged();
  if (OnDataChange) OnDataChange(*this, nullptr);
}

void DataSource::notifyRecordChanged(Field* f) {
  if (State() == DataSetState::Inactive) return;
  for (size_t i = 0; i < links_.size(); ++i) links_[i]->RecordChanged(f);
  if (OnDataChange) OnDataChange(*this, f);
}

void DataSource::notifyUpdateData() {
  if (State() == DataSetState::Inactive) return;
  for (size_t i = 0; i < links_.size(); ++i) links_[i]->UpdateData();
  if (OnUpdateData) OnUpdateData(*this);
}

bool DataSource::notifyFocusControl(Field& f) {
  if (State() == DataSetState::Inactive) return false;
  for (size_t i = 0; i < links_.size(); ++i)
    if (links_[i]->FocusControl(f)) return true;
  return false;
}

void DataSource::addLink(DataLink* l) {
  if (!l) return;
  if (l->source_ && l->source_ != this) l->source_->removeLink(l);
  if (std::find(links_.begin(), links_.end(), l) == links_.end()) links_.push_back(l);
  l->source_ = this;
}

void DataSource::removeLink(DataLink* l) {
  links_.erase(std::remove(links_.begin(), links_.end(), l), links_.end());
  if (l && l->source_ == this) l->source_ = nullptr;
}

}  // namespace cad
