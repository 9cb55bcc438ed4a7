// TADOIBQuery: the query component of the screens' reference queries. It is a read-only dataset
// whose rows come from one SQL statement run on the session database (or on an explicit
// connection). A query keeps one SQL text per dialect ("default", "sqlite", "postgresql"); the
// connection's dialect picks its own text, else the default one. Named parameters (":P_CDFILIAL")
// are discovered from the texts and bound, never spliced into the SQL.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/data/dataset.h"
#include "platform/db/database.h"

namespace cad {

class TADOIBQuery : public DataSet {
 public:
  explicit TADOIBQuery(std::string name = {});

  // The connection to run on; when null the session database (cad::db::sessionDatabase()).
  std::shared_ptr<db::Database> Connection;

  // Sets the text of one dialect ("default", "sqlite" or "postgresql"); an empty text removes
  // it. Closes the query. Parameters are rediscovered from all texts; values of the parameters
  // that remain are kept.
  void SetSQL(std::string_view text, std::string_view dialect = "default");
  // The text of one dialect ("" when none).
  std::string SQL(std::string_view dialect = "default") const;
  // The text the given dialect runs: its own, else the default one.
  std::string SQLFor(std::string_view dialect) const;

  // A parameter's value by name, with or without the ':' and without regard to case. Throws
  // cad::Exception "Parâmetro 'X' não encontrado." for a name the SQL does not use. The
  // reference stays valid until the SQL changes.
  Variant& ParamByName(std::string_view name);
  // Every parameter (names upper-cased, without ':'), in order of first use.
  const db::Params& Params() const { return params_; }

  // Refresh() (the dataset's) runs the SQL again with the current parameter values and keeps the
  // cursor on the same row when it is still there.

 protected:
  PacketPtr fetchData() override;

 private:
  std::shared_ptr<db::Database> database() const;
  void discoverParams();

  std::map<std::string, std::string, std::less<>> texts_;  // dialect -> SQL text
  db::Params params_;
};

}  // namespace cad
