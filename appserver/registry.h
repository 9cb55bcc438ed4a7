// Method registry of the application server: each remote method is registered under its server
// name ("Ger04100.rdmCadastroServ") and method name, both matched without regard to letter case as
// late-bound calls always were. A method declares its argument kinds, which arguments it writes
// back (by reference), whether it is an update, and which argument names the branch it reads: an
// update runs in one transaction, committed when it returns normally and rolled back when it throws
// or refuses (a non-empty text, or a checkable result [false, "message"]).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/variant.h"

namespace cad::db {
class Database;
}

namespace cad::appserver {

// What a method sees of the call besides its arguments.
struct CallContext {
  db::Database& db;
  const std::string& operatorName;
};

// args: one letter per argument, checked before the method runs:
//   's' text (null arrives as ""), 'd' date, 'f' number, 'p' packet or change set, 'v' any value.
struct Method {
  std::string server;
  std::string name;
  std::string args;
  std::vector<int> byRef;  // argument indices sent back in the reply's "out"
  bool update = false;
  std::function<Variant(CallContext&, VariantArray& args)> fn;
  // The text argument holding the branch (CDFILIAL) whose data the method reads, -1 for none. The
  // dispatcher refuses the call before it runs when the operator has no access to that branch:
  // as [false, text] when the method's result is checkable (the screen shows the text as it shows
  // a refused write), as a fault otherwise. Change-set updates check every branch they touch.
  int branchArg = -1;
  bool checkable = false;  // results are [true, payload] / [false, "message"]
};

class Registry {
 public:
  void add(Method m);  // throws cad::Exception on a duplicate or a malformed declaration
  const Method* find(std::string_view server, std::string_view name) const;
  bool hasServer(std::string_view server) const;
  size_t size() const { return methods_.size(); }
  std::vector<const Method*> all() const;  // every method, ordered by server and name

 private:
  std::map<std::string, Method> methods_;  // key: "SERVER.METHOD" upper-cased
};

// The registry with every method of the application server (built once, on first use).
const Registry& defaultRegistry();

// Checkable results: [true, payload] and [false, "message"].
Variant checkOk(Variant payload = {});
Variant checkFail(const std::string& message);

// Whether an update method's result refuses the update (its transaction is then rolled back).
bool isRefusal(const Variant& result);

}  // namespace cad::appserver
