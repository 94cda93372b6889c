// The viewer's tests run the core with the real query objects, as the
// program does: the views' factory is registered before any test starts.
#include "sdbg_screen.h"
#include "sdbg_srv_obj_factory.h"

namespace {

struct RegisterViews {
    RegisterViews() { Sdbg_SetSrvObjFactory(CreateSrvObj); }
} registerViews_G;

} // namespace
