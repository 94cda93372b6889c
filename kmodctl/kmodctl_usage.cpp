// The usage text of kmodctl, split around the default wait of boot_wait.
#include "kmodctl_usage.h"

// clang-format off
const char *const kmodctl_UsageHead = R"USAGE(Usage:
--add_mdm
Calls the kernel module to connect to a MDM.
Must have the following parameters:
   --ip <IP> - IP list for this MDM (comma delimited)
Can have the following additional parameters:
   --file <FILE_NAME> - Config file to which the MDM information should be written.
   --only_cfg - Do not call the kernel to actually connect.
                When using this option, the parameter --file must also be given.

--mod_mdm_ip
Calls the kernel to modify the IP list of a MDM
Must have the following parameters:
   --ip <IP> - One of the IP addresses for this MDM
   --new_mdm_ip <IP> - A comma-delimited list of the new MDM IP addresses
Can have the following additional parameters:
   --file <FILE_NAME> - Config file to which the MDM information should be written.
   --only_cfg - Do not call the kernel to actually connect.
                When using this option, the parameter --file must also be given.

--set_guid
Sets the initiator GUID.
Can have the following additional parameters:
   --guid - GUID associated with the MDM. If the parameter is not given,
            a new GUID will be generated.
   --file <FILE_NAME> - Config file to which the MDM information should be written.
   --only_cfg - Do not call the kernel module to actually set the GUID.
                When using this option, the parameter --file must also be given.

--boot_wait
Waits until all MDMs perform their initial update scan
Can have the following additional parameters:
   --seconds Amount of seconds to wait.Default to )USAGE";
const char *const kmodctl_UsageTail = R"USAGE(

--load_cfg_file <FILE_NAME>
Reads a config file containing MDM descriptors, and call the kernel
to connect to them.

--query_lb_info
Get LB information on specific StartLB
Must have the following parameters:
   --mdm_id - Mdm ID (Hex).
   --vol_id - Volume ID (Hex).
   --start_lb - Start LBA (Decimal).
Can have the following additional parameters:
   --size_in_bytes - The size of the IO, in bytes

--query_mdms
Get information on all known MDM object in kernel mode

--query_tgts
Get information on all known active tgt objects in kernel mode

--query_vols
Get information on all known active volume objects in kernel mode

--query_guid
Get the unique ID of the kernel module

--query_performace
Get current performance statistics of the kernel module

--reset_performace
Reset performance statistics of the kernel module

--query_block_device_id
Retrieves the block device unique ID
Must have the following parameters:
   --block_device - The block device name

--query_dynamic_parameters
Get all the driver's dynamic parameters

--set_dynamic_parameter
Sets a dynamic parameter.
Must have the following parameters:
   --dynamic_parameter_name - The name of the dynamic parameter to set.
   --dynamic_parameter_value - The new value of the dynamic parameter.
   --mdm_id - The ID of the MDM to set, default is the 0 MDM.

--rescan
Forces a configuration rescan operation against all known MDMs.

--query_version
Returns the version of the loaded kernel module

--query_diag_counters
Query the diagnostics counters

--reset_diag_counters
Reset the diagnostics counters

--set_trace_component_freq
Must have the following parameters:
   --trace_component <component> - component's name, use --query_trace_freq for a list
   --trace_freq <frequency> - The requested frequency. NONE/LOW/MEDIUM/HIGH

--set_all_trace_components_freq --trace_freq <frequency>
Must have the following parameters:
   --trace_freq <frequency> - The requested frequency. NONE/LOW/MEDIUM/HIGH

--set_trace_freq_map --freq_map <map>
Must have the following parameters:
   --freq_map <map> pass the map as a hex string. see the output of --query_trace_freq for example

--query_trace_freq
Query the trace configuration

--dump_mem_tracker
Dump memory tracker contents

--reset_mem_tracker
Reset memory tracker contents

)USAGE";
// clang-format on
