// Dispatcher target, on one demo database for the whole run. Byte 0 chooses the form:
//  - even: the rest is the request body as received, sent as operator ADMIN;
//  - odd: bits 1-2 pick the operator, bytes 1-2 a registered method by position, and the rest is
//    its argument list as JSON (a single value stands for a one-argument list), so mutations reach
//    the methods themselves rather than stopping at the decoder or the argument check.
// handle() must answer every input with a reply the client's decoder reads. Updates that succeed
// are committed, so the data drift during a run (as they would on a server).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "appserver/dispatcher.h"
#include "fuzz/support.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"

using namespace cad;

namespace {
db::Pool* pool = nullptr;
appserver::Dispatcher* dispatcher = nullptr;
std::vector<const appserver::Method*> methods;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::quietLogs();
  pool = fuzz::demoPool().release();  // both live as long as the process
  dispatcher = new appserver::Dispatcher(*pool);
  methods = appserver::defaultRegistry().methods();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string body;
  std::string op = "ADMIN";
  if ((data[0] & 1) == 0) {
    body.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  } else {
    if (size < 3) return 0;
    const auto& ops = fuzz::operators();
    op = ops[(data[0] >> 1) % ops.size()];
    const appserver::Method& m = *methods[(data[1] | (data[2] << 8)) % methods.size()];
    std::string_view json(reinterpret_cast<const char*>(data + 3), size - 3);
    net::Request req{m.server, m.name, {}};
    try {
      Variant args = net::decodeValue(json, net::requestLimits());
      if (args.isArray())
        req.args = args.asArray();
      else
        req.args.push_back(args);
      body = net::encodeRequest(req);
    } catch (const Exception&) {
      return 0;
    }
  }
  std::string reply = dispatcher->handle(body, op);
  try {
    net::decodeReply(reply);
  } catch (const Exception& e) {
    fuzz::fail(std::string("the client cannot read the reply: ") + e.what(), reply);
  }
  return 0;
}
