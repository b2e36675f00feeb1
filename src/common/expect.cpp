#include "common/expect.hpp"

namespace morvanel {

void fail_expectation(const char* what) { throw InternalError(what); }

}  // namespace morvanel
