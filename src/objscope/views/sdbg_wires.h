// Every query structure whose layout the views know, by subsystem.
#pragma once

#include "sdbg_wire_runtime.h"

#include "sdbg_wire_client.h"
#include "sdbg_wire_cluster.h"
#include "sdbg_wire_engine.h"
#include "sdbg_wire_mdm.h"
#include "sdbg_wire_tgt.h"
