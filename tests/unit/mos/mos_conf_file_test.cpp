#include "mos_conf_file.h"
#include "mos_env.h"
#include "trace_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace {

class ConfFileTest : public mostest::LogDirFixture {
  protected:
    void SetUp() override {
        LogDirFixture::SetUp();
        mosEnv_BuildConfTable(&m_values, m_table, 7777);
    }
    // Writes the text as the configuration file and reads the runtime's
    // table from it.
    void ReadFrom(const std::string &text) {
        std::string path = Path("mos.conf");
        std::ofstream(path, std::ios::binary) << text;
        MosConfEntry *tables[] = {m_table};
        uint32_t counts[] = {MOS_ENV_CONF_KEYS};
        ASSERT_EQ(mosConf_ReadTables(path.c_str(), tables, counts, 1), MOS_RC__SUCCESS);
    }
    std::string CaptureTrace(const std::function<void()> &action) {
        MosTrcParams params{};
        params.trc_stdout = 1;
        EXPECT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        testing::internal::CaptureStdout();
        action();
        std::string out = testing::internal::GetCapturedStdout();
        mosTrcLayer_Destroy();
        return out;
    }

    MosEnvConf m_values{};
    MosConfEntry m_table[MOS_ENV_CONF_KEYS];
    std::string m_pPath;
    MosConfEntry *m_pSecrets = nullptr;
};

TEST_F(ConfFileTest, NumberKeys) {
    struct Case {
        std::string text;
        uint64_t MosEnvConf::*pMember;
        uint64_t expected;
    };
    const Case cases[] = {
        {"TRC_FILE_HISTORY = 3\ntrc_file_history 7\n", &MosEnvConf::trc_file_history, 3},
        {"trc_file_history\ntrc_file_history 8\n", &MosEnvConf::trc_file_history, 8},
        {"trc_file_history=\ntrc_file_history\t6\n", &MosEnvConf::trc_file_history, 6},
        {"trc_file_history=4\r\n", &MosEnvConf::trc_file_history, 4},
        {"  trc_file_history   9  \n", &MosEnvConf::trc_file_history, 9},
        {"# trc_file_history 9\n", &MosEnvConf::trc_file_history, 10},
        {"#trc_file_history 9\n", &MosEnvConf::trc_file_history, 10},
        {"trc_file_history abc\n", &MosEnvConf::trc_file_history, 0},
        {"trc_file_history = \n", &MosEnvConf::trc_file_history, 0},
        {"trc_file_history 5001\n", &MosEnvConf::trc_file_history, 10},
        {"exp_file_size 1000\n", &MosEnvConf::exp_file_size, 1048576},
        {"exp_file_size = \n", &MosEnvConf::exp_file_size, 1048576},
        {"trc_compressed_buffer_size 1500\n", &MosEnvConf::trc_compressed_buffer_size, 65536},
        {"trc_compressed_buffer_size 2048\n", &MosEnvConf::trc_compressed_buffer_size, 2048},
        {"max_caged_deferred_free_bytes 4097\n", &MosEnvConf::max_caged_deferred_free_bytes,
         1073741824},
        {"max_caged_deferred_free_bytes 8192\n", &MosEnvConf::max_caged_deferred_free_bytes, 8192},
        {"dbg_core_min_disk_space_mb 18446744073709551615\n",
         &MosEnvConf::dbg_core_min_disk_space_mb, UINT64_MAX},
        {"sdbg_port\n", &MosEnvConf::sdbg_port, 7777},
        {"sdbg_port 65536\n", &MosEnvConf::sdbg_port, 7777},
        {"mem_pinning_portion_size 100\n", &MosEnvConf::mem_pinning_portion_size, 33554432},
        // A line longer than the 255-byte reading buffer goes on as a line
        // of its own.
        {"#" + std::string(254, 'x') + "trc_file_history 3\n", &MosEnvConf::trc_file_history, 3},
    };
    for (const auto &c : cases) {
        ReadFrom(c.text);
        EXPECT_EQ(m_values.*c.pMember, c.expected) << c.text;
    }
}

TEST_F(ConfFileTest, BoolKeys) {
    struct Case {
        const char *pText;
        uint32_t expected;
    };
    const Case cases[] = {
        {"caged_malloc 5\n", 0}, {"caged_malloc 1\n", 1}, {"caged_malloc -1\n", 0xFFFFFFFFu},
        {"caged_malloc x\n", 0}, {"caged_malloc\n", 0},   {"CAGED_MALLOC\t1\n", 1},
    };
    for (const auto &c : cases) {
        ReadFrom(c.pText);
        EXPECT_EQ(m_values.caged_malloc, c.expected) << c.pText;
    }
    ReadFrom("bwc_enable 2\n");
    EXPECT_EQ(m_values.bwc_enable, 1u); // default 1 stands
}

TEST_F(ConfFileTest, StringKeys) {
    struct Case {
        std::string text;
        const char *pExpectedPrefix; // trc_file_prefix
        const char *pExpectedShm;    // shm_prefix (buffer of 32)
    };
    const Case cases[] = {
        {"trc_file_prefix my trace\n", "my trace", ""},
        {"trc_file_prefix\n", "trc", ""},
        {"trc_file_prefix=\n", "trc", ""},
        {"trc_file_prefix = \n", "", ""},
        {"trc_file_prefix abc   \n", "abc", ""},
        {"trc_file_prefix a b\tc\n", "a b", ""},
        {"shm_prefix " + std::string(31, 's') + "\n", "trc", "sssssssssssssssssssssssssssssss"},
        {"shm_prefix " + std::string(32, 's') + "\n", "trc", ""},
    };
    for (const auto &c : cases) {
        ReadFrom(c.text);
        EXPECT_STREQ(m_values.trc_file_prefix, c.pExpectedPrefix) << c.text;
        EXPECT_STREQ(m_values.shm_prefix, c.pExpectedShm) << c.text;
    }
}

TEST_F(ConfFileTest, MissingFileLeavesEveryDefault) {
    MosConfEntry *tables[] = {m_table};
    uint32_t counts[] = {MOS_ENV_CONF_KEYS};
    std::string missing = Path("no-such.conf");
    for (const char *pPath : {missing.c_str(), static_cast<const char *>(nullptr)}) {
        ASSERT_EQ(mosConf_ReadTables(pPath, tables, counts, 1), MOS_RC__SUCCESS);
        EXPECT_EQ(m_values.trc_file_history, 10u);
        EXPECT_EQ(m_values.trc_bin_file_enabled, 0u);
        EXPECT_STREQ(m_values.fifo_filename, "./.mos.fifo");
        EXPECT_EQ(m_values.sdbg_port, 7777u);
    }
}

TEST_F(ConfFileTest, UnknownTypeIsInvalid) {
    uint32_t value = 0;
    MosConfEntry bad[] = {{"odd_key", 9, &value, nullptr, 0, 0, 0, 0}};
    MosConfEntry *tables[] = {bad, m_table};
    uint32_t counts[] = {1, MOS_ENV_CONF_KEYS};
    EXPECT_EQ(mosConf_ReadTables(nullptr, tables, counts, 2), MOS_RC__INVALID);
}

TEST_F(ConfFileTest, UnknownKeysAreTracedAtLevelTwo) {
    std::string path = Path("mos.conf");
    std::ofstream(path) << "trc_file_sizes 5\n# comment_key 1\nTRC_FILE_SIZE 2048\n";
    m_pPath = path;
    std::string out = CaptureTrace([this] {
        MosConfEntry *tables[] = {m_table};
        uint32_t counts[] = {MOS_ENV_CONF_KEYS};
        mosConf_ValidateConfFile(m_pPath.c_str(), tables, counts, 1);
    });
    EXPECT_NE(out.find("Unknown token trc_file_sizes"), std::string::npos) << out;
    EXPECT_EQ(out.find("comment_key"), std::string::npos) << out;
    EXPECT_EQ(out.find("TRC_FILE_SIZE"), std::string::npos) << out;

    mosTraceConf_SetComponentFreq(MOS_COMP_MOS, 1);
    out = CaptureTrace([this] {
        MosConfEntry *tables[] = {m_table};
        uint32_t counts[] = {MOS_ENV_CONF_KEYS};
        mosConf_ValidateConfFile(m_pPath.c_str(), tables, counts, 1);
    });
    EXPECT_EQ(out.find("Unknown token"), std::string::npos) << out;
}

TEST_F(ConfFileTest, PrintoutShowsValuesDefaultsAndHidesSecrets) {
    ReadFrom("trc_file_history 3\n");
    std::string out = CaptureTrace([this] { mosConf_Trace(m_table, MOS_ENV_CONF_KEYS, 0); });
    EXPECT_NE(out.find("Conf: trc_file_history = 3 (10)"), std::string::npos) << out;
    EXPECT_EQ(out.find("Conf: trc_bin_file_history"), std::string::npos) << out;

    out = CaptureTrace([this] { mosConf_Trace(m_table, MOS_ENV_CONF_KEYS, 1); });
    EXPECT_NE(out.find("Conf: trc_bin_file_history = 10 (10)"), std::string::npos);
    EXPECT_NE(out.find("Conf: bwc_enable = 1 (1)"), std::string::npos);
    EXPECT_NE(out.find("Conf: fifo_filename = ./.mos.fifo (./.mos.fifo)"), std::string::npos);
    // A key naming a password or a token never shows its value.
    char secret[16] = "hunter2";
    MosConfEntry secrets[] = {
        {"admin_password", MOS_CONF_TYPE__STRING, secret, "", 16, 0, 0, 0},
        {"auth_token", MOS_CONF_TYPE__STRING, secret, "", 16, 0, 0, 0},
    };
    m_pSecrets = secrets;
    out = CaptureTrace([this] { mosConf_Trace(m_pSecrets, 2, 1); });
    EXPECT_NE(out.find("Skipping printout of admin_password"), std::string::npos);
    EXPECT_NE(out.find("Skipping printout of auth_token"), std::string::npos);
    EXPECT_EQ(out.find("hunter2"), std::string::npos);
}

TEST_F(ConfFileTest, InitParamsWithAndWithoutLogDirectory) {
    ReadFrom("trc_file_history 4\ntimer_use_thread 0\n");
    MosInitParams none{};
    mosEnv_FillInitParams(&m_values, nullptr, &none);
    EXPECT_EQ(none.trc.trcFile.bEnabled, 0u); // file records stay zero
    EXPECT_EQ(none.trc.trcFile.dirPath, nullptr);
    EXPECT_EQ(none.dbg.expFile.history, 0u);
    EXPECT_EQ(none.dbg.coreMinFreeDiskBytes, 0u);
    EXPECT_EQ(none.sdbg.port, 7777);
    EXPECT_EQ(none.timer.bNoTimerThread, 1u);
    EXPECT_EQ(none.dbg.debug_double_exp_wait_sec, 1u);
    EXPECT_EQ(none.dbg.dbg_enable_backtrace, 1u);
    EXPECT_EQ(none.smallIov.netsmalliov_mem_pool_size, 30000u);
    EXPECT_STREQ(none.shm.prefix, "");

    MosInitParams withDir{};
    mosEnv_FillInitParams(&m_values, "/logs", &withDir);
    const MosTrcParams &t = withDir.trc;
    EXPECT_STREQ(t.trcFile.dirPath, "/logs");
    EXPECT_STREQ(t.trcFile.prefix, "trc");
    EXPECT_EQ(t.trcFile.history, 4u);
    EXPECT_EQ(t.errFile.history, 4u); // the error file follows the text trace
    EXPECT_EQ(t.errFile.asyncBufSize, 5242880u);
    EXPECT_EQ(t.errFile.dumpIoSize, 0u);
    EXPECT_EQ(t.trcBinFile.dumpIoSize, 0u);
    EXPECT_EQ(t.trcFile.dumpIoSize, 20u);
    EXPECT_EQ(t.trcBinFile.bBinary, 0u);
    EXPECT_STREQ(t.trcBinFile.prefix, "trcbin");
    EXPECT_EQ(withDir.dbg.coreMinFreeDiskBytes, 500ull * 1048576);
    EXPECT_STREQ(withDir.dbg.expFile.dirPath, "/logs");
    EXPECT_EQ(withDir.dbg.expFile.bEnabled, 1u);
    EXPECT_EQ(withDir.sdbg.moduleType, 0u);
    EXPECT_EQ(withDir.trc.binFileTag, 0u);
    EXPECT_EQ(withDir.crc.crcImpl, 0u);
}

TEST(ConfTable, NinetySixKeysWithUniqueNames) {
    MosEnvConf values{};
    MosConfEntry table[MOS_ENV_CONF_KEYS];
    mosEnv_BuildConfTable(&values, table, 0);
    for (uint32_t i = 0; i < MOS_ENV_CONF_KEYS; i++) {
        for (uint32_t j = i + 1; j < MOS_ENV_CONF_KEYS; j++) {
            EXPECT_STRNE(table[i].name, table[j].name);
        }
    }
    EXPECT_STREQ(table[0].name, "exp_file_enabled");
    EXPECT_STREQ(table[MOS_ENV_CONF_KEYS - 1].name, "mem_pinning_threshold");
}

// The start-up's own answers end the process before any layer starts.
TEST(EnvStartDeathTest, HelpVersionAndFatalInputs) {
    struct Case {
        std::vector<const char *> words;
        uint32_t numTables;
        int exitCode;
        const char *pRegex;
    };
    const Case cases[] = {
        {{"prog", "--help"},
         1,
         0,
         "Usage:\nconf_file\nThe name of the configuration file\\. This name must include full "
         "path\\.\n\nlog_dir\nThe directory to which log information is written\\.\n\nversion\n"
         "Output the module version and exits the process\\.\n\nhelp\nPrint this help message\n"},
        {{"prog", "--version"}, 1, 0, "BorlQen Tarnvox Version: R3_0\\.1000\\.208\n"},
        {{"prog", "--conf_file=x", "--version"}, 1, 0, "BorlQen Tarnvox Version"},
        {{"prog"}, 0, 1, "Array of configuration entries vector is 0\\. Cannot load\n"},
    };
    for (const auto &c : cases) {
        std::vector<char *> argv;
        for (const char *p : c.words) {
            argv.push_back(const_cast<char *>(p));
        }
        argv.push_back(nullptr);
        MosConfEntry *tables[1] = {};
        uint32_t counts[1] = {};
        EXPECT_EXIT(
            {
                mostest::StdoutToStderr();
                mos_optind = 1;
                (void)mosEnv_Init(static_cast<int>(argv.size() - 1), argv.data(), tables, counts,
                                  c.numTables, 0, [](MosInitParams *) { return 0; });
            },
            testing::ExitedWithCode(c.exitCode), c.pRegex);
    }
}

TEST(EnvStartDeathTest, UnreadableTableEndsWithItsCode) {
    uint32_t value = 0;
    MosConfEntry bad[] = {{"odd_key", 9, &value, nullptr, 0, 0, 0, 0}};
    MosConfEntry *tables[2] = {bad, nullptr};
    uint32_t counts[2] = {1, 0};
    char prog[] = "prog";
    char *argv[] = {prog, nullptr};
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            mos_optind = 1;
            (void)mosEnv_Init(1, argv, tables, counts, 2, 0, [](MosInitParams *) { return 0; });
        },
        testing::ExitedWithCode(1),
        "Error loading configuration file unknown\\. Status INVALID\\(11\\)\n");
}

} // namespace
