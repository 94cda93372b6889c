// The initialisation-parameter block handed to mos_Init, one sub-record per
// layer that reads settings, in block order (the sub-records of the
// utilities, thread and tick layers are declared with those layers). The environment start-up
// zero-fills it and fills it from the configuration file; a layer given a
// null slice uses its built-in defaults.
#pragma once

#include "mos_mem.h"
#include "mos_os_thread.h"
#include "mos_ticks.h"

#include <cstdint>
#include <cstdio>

// Settings of one rotating log file.
struct MosCyclicFileParams {
    uint32_t bEnabled;           // the trace layer takes exactly 1 as on (any non-zero: error file)
    uint32_t bAsync;             // write through the ring buffer and the dump thread
    uint32_t bBinary;            // open in binary mode (binary trace only)
    const char *dirPath;         // log directory
    const char *prefix;          // file-name prefix, at most 32 characters
    uint32_t history;            // number of files kept; must not be 0 at creation
    uint32_t maxFileSize;        // bytes after which the file rotates
    uint32_t dumpUsedBufPercent; // ring fill (percent) at which a dump is due; outside 1..99: 10
    uint32_t dumpIoSize;         // largest single write of a dump, MiB; 0: 20
    uint32_t dumpThreadSleepMs;  // longest time between two dumps; 0: 1,000
    uint32_t asyncBufSize;       // ring bytes; 0: 5,242,880
    void (*pHeaderWriterCK)(FILE *pFile); // called after every open of a new file
};

struct SdbgServerConf {
    uint32_t moduleType; // module type the server reports; left to the application
    uint16_t port;
    uint8_t flags; // bit 0: no server
};

struct MosBwcParams {
    uint32_t bwc_win_size_sec;
    uint32_t bwc_enable;
};

struct MosTimerParams {
    uint64_t timer_qs_power_per_thread;
    uint32_t bNoTimerThread; // 1 when timer_use_thread is 0
    uint32_t timer_req_count_type;
};

struct MosLockParams {
    uint64_t instrumented_lock_period_log2;
    uint64_t instrumented_lock_max_contention;
    uint64_t instrumented_lock_max_latency_cycles;
    uint32_t lock_use_spinlock;
};

struct MosDbgParams {
    uint64_t coreMinFreeDiskBytes;
    MosCyclicFileParams expFile; // exception file
    MosCyclicFileParams umtFile; // user-mode-thread backtrace file
    uint32_t exp_milli_wait_dump_traces;
    uint32_t dbg_enable_core;
    uint32_t dbg_enable_backtrace;
    uint32_t exp_dump_traces;
    uint32_t dbg_core_type;
    uint32_t debug_double_exp_wait_sec;
    uint32_t dbg_planned_crash_panic;
    uint32_t dbg_backtrace_time_sec;
};

struct MosTrcParams {
    MosCyclicFileParams trcFile;           // text trace
    MosCyclicFileParams trcBinFile;        // binary trace
    MosCyclicFileParams errFile;           // error file
    MosCyclicFileParams trcCompressedFile; // compressed trace
    uint32_t bCompressedEnabled;
    uint32_t trc_compressed_use_rescue;
    uint32_t trc_compressed_buffer_size;
    uint8_t trc_compressed_num_buffers;
    uint32_t trc_stdout; // 0 off, 1 on, 2 on when MOS_TRACE__TO_STDOUT is set
    uint32_t binFileTag; // copied into every binary trace file header
};

struct MosShmParams {
    uint32_t shm_server_on;
    uint32_t shm_server_port;
    const char *prefix;
    uint32_t bNoIndex;
};

struct MosAioParams {
    uint32_t dbg_io_timeout_enable;
    uint32_t bDontUseDirectIo;
    uint32_t dbg_io_good_ios;
    uint32_t dbg_io_timeout_millis;
};

struct MosDevParams {
    uint64_t mos_dev_test_num_jobs;
};

struct MosFifoParams {
    uint32_t use_fifo_file;
    const char *fifo_filename;
};

struct MosMemsetParams {
    uint64_t mos_memset_threshold_in_milliseconds;
    uint64_t mos_memset_threshold_in_bytes;
};

struct MosNvramParams {
    uint32_t n_pmem_map_retries;
};

struct MosTimedActionParams {
    uint32_t max_pending_timed_action_threads;
    uint64_t timed_action_create_os_thrd_threshold_ms;
};

struct MosMemPinningParams {
    uint32_t mem_pinning_enabled;
    uint32_t mem_pinning_portion_size;
    uint32_t mem_pinning_threshold;
};

struct MosCrcParams {
    uint32_t crcImpl; // 0 keep the current choice, 1 software, 2/3 hardware
};

struct MosSmallIovParams {
    uint32_t netsmalliov_use_mem_pool;
    uint32_t netsmalliov_mem_pool_size;
};

struct MosInitParams {
    SdbgServerConf sdbg;
    MosBwcParams bwc;
    MosTimerParams timer;
    MosLockParams lock;
    MosDbgParams dbg; // the process layers' slice starts here
    MosTrcParams trc;
    MosOsThrdParams thrd;
    MosShmParams shm;
    MosAioParams aio;
    MosDevParams dev;
    MosFifoParams fifo;
    MosMemsetParams memset;
    MosNvramParams nvram;
    MosTimedActionParams timedAction;
    MosMemPinningParams memPinning;
    MosCrcParams crc;
    MosTicksParams ticks;
    MosSmallIovParams smallIov;
    MosUtilsParams utils;
};
