#include "platform/app/NewHandler.h"

#include <new>

namespace platform {

NewHandler installNewHandler(NewHandler handler) { return std::set_new_handler(handler); }

}  // namespace platform
