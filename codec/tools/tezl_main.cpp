// tezl: command-line front end of the codec library, for tests and
// benchmarks.
//
//   tezl enc LEVEL [options] < input > stream
//   tezl dec LEVEL [options] < stream > output
//
// Prints "result N" (the operation's result) on standard error and exits 0
// when N >= 0, 1 otherwise; a bad command line exits 2 with the usage text.
#include "binary_stdio.h"
#include "tezl.h"
#include "tezl_stream.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char *kUsage =
    "usage: tezl enc LEVEL [options] < input > stream\n"
    "       tezl dec LEVEL [options] < stream > output\n"
    "options:\n"
    "  --cap N             output capacity in bytes (dec default: grow until it fits)\n"
    "  --work N            work memory in bytes (default: the level's minimum)\n"
    "  --in-pieces N[,N]   cut the input into pieces of these sizes (the last repeats)\n"
    "  --out-pieces N[,N]  cut the output space likewise\n";

constexpr uint64_t kMaxCapacity = uint64_t(1) << 30;

struct Options {
    bool bEncode = false;
    int32_t level = 0;
    uint64_t capacity = 0; // 0: default
    uint32_t workBytes = 0;
    std::vector<size_t> inPieces;
    std::vector<size_t> outPieces;
};

// "enc 1 2 ..., dec 0 -1 ..." from the level table.
std::string levelList() {
    std::string encoders;
    std::string decoders;
#define TEZL_LEVEL(level, family, bEncoder, contextBytes, workBytes)                               \
    (bEncoder ? encoders : decoders) += " " + std::to_string(level);
#include "tezl_levels.def"
#undef TEZL_LEVEL
    return "levels: enc" + encoders + ", dec" + decoders + "\n";
}

[[noreturn]] void usageError(const std::string &message) {
    std::fprintf(stderr, "tezl: %s\n%s%s", message.c_str(), kUsage, levelList().c_str());
    std::exit(2);
}

bool parseNumber(const char *text, long long low, long long high, long long *pValue) {
    errno = 0;
    char *end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (errno || !*text || *end || value < low || value > high) {
        return false;
    }
    *pValue = value;
    return true;
}

std::vector<size_t> parseSizes(const char *option, const char *text) {
    std::vector<size_t> sizes;
    std::string all(text);
    size_t at = 0;
    for (;;) {
        size_t comma = all.find(',', at);
        std::string item = all.substr(at, comma == std::string::npos ? comma : comma - at);
        long long value;
        if (!parseNumber(item.c_str(), 1, 1LL << 30, &value)) {
            usageError(std::string("bad size list for ") + option + ": " + text);
        }
        sizes.push_back(size_t(value));
        if (comma == std::string::npos) {
            return sizes;
        }
        at = comma + 1;
    }
}

Options parseCommandLine(int argc, char **argv) {
    if (argc < 3) {
        usageError("missing operation or level");
    }
    Options options;
    std::string operation = argv[1];
    if (operation != "enc" && operation != "dec") {
        usageError("unknown operation: " + operation);
    }
    options.bEncode = operation == "enc";
    long long level;
    if (!parseNumber(argv[2], -100, 100, &level) || tezl_ContextBytes(int32_t(level)) == 0) {
        usageError(std::string("unknown level: ") + argv[2]);
    }
    options.level = int32_t(level);
    for (int i = 3; i < argc; i += 2) {
        std::string name = argv[i];
        if (i + 1 >= argc) {
            usageError("missing value for " + name);
        }
        const char *value = argv[i + 1];
        long long number;
        if (name == "--cap" && parseNumber(value, 1, kMaxCapacity, &number)) {
            options.capacity = uint64_t(number);
        } else if (name == "--work" && parseNumber(value, 1, 1LL << 30, &number)) {
            options.workBytes = uint32_t(number);
        } else if (name == "--in-pieces") {
            options.inPieces = parseSizes("--in-pieces", value);
        } else if (name == "--out-pieces") {
            options.outPieces = parseSizes("--out-pieces", value);
        } else {
            usageError("bad option: " + name + " " + value);
        }
    }
    return options;
}

// Bytes in a buffer that is not cleared: the codec or the reader writes
// every byte that is used.
struct Buffer {
    struct Free {
        void operator()(uint8_t *p) const { osTezlTool_FreeBuffer(p); }
    };
    std::unique_ptr<uint8_t[], Free> bytes;
    size_t size = 0;

    void allocate(size_t bytesWanted) {
        bytes.reset(); // the old buffer goes before the new one comes
        bytes.reset(osTezlTool_AllocateBuffer(bytesWanted));
        if (!bytes) {
            std::fprintf(stderr, "tezl: out of memory for %zu bytes\n", bytesWanted);
            std::exit(1);
        }
        size = bytesWanted;
    }
};

// Reads the whole stream. A regular file is read at its known size in one
// buffer (one byte over, to see the end); a pipe grows the buffer by
// doubling.
Buffer readAll(FILE *file) {
    uint64_t known = 0;
    size_t capacity = osTezlTool_InputFileSize(&known) && known < kMaxCapacity ? size_t(known) + 1
                                                                               : size_t(1) << 20;
    Buffer data;
    data.allocate(capacity);
    size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            Buffer larger;
            larger.allocate(capacity * 2);
            std::memcpy(larger.bytes.get(), data.bytes.get(), filled);
            data = std::move(larger);
            capacity *= 2;
        }
        size_t got = std::fread(data.bytes.get() + filled, 1, capacity - filled, file);
        if (got == 0) {
            break;
        }
        filled += got;
    }
    data.size = filled;
    return data;
}

std::vector<TezlPiece> cut(uint8_t *data, size_t size, const std::vector<size_t> &sizes) {
    std::vector<TezlPiece> pieces;
    for (size_t at = 0, i = 0; at < size; ++i) {
        size_t n = std::min(sizes[std::min(i, sizes.size() - 1)], size - at);
        pieces.push_back({data + at, data + at + n});
        at += n;
    }
    return pieces;
}

// One operation over the whole input with the given capacity.
int32_t runOnce(TezlContext *pContext, const Options &options, Buffer &input, Buffer &output) {
    uint8_t *in = input.bytes.get();
    uint8_t *out = output.bytes.get();
    if (options.inPieces.empty() && options.outPieces.empty()) {
        return options.bEncode
                   ? tezl_Encode(pContext, in, uint32_t(input.size), out, uint32_t(output.size))
                   : tezl_Decode(pContext, in, uint32_t(input.size), out, uint32_t(output.size));
    }
    std::vector<size_t> inSizes =
        options.inPieces.empty() ? std::vector<size_t>{input.size + 1} : options.inPieces;
    std::vector<size_t> outSizes =
        options.outPieces.empty() ? std::vector<size_t>{output.size} : options.outPieces;
    std::vector<TezlPiece> inPieces = cut(in, input.size, inSizes);
    std::vector<TezlPiece> outPieces = cut(out, output.size, outSizes);
    TezlListOp op = options.bEncode ? pContext->encodeList : pContext->decodeList;
    return op(pContext, inPieces.data(), uint32_t(inPieces.size()), outPieces.data(),
              uint32_t(outPieces.size()));
}

} // namespace

int main(int argc, char **argv) {
    Options options = parseCommandLine(argc, argv);
    osTezlTool_SetBinaryStdio();
    uint32_t workBytes = options.workBytes ? options.workBytes : tezl_WorkBytes(options.level);
    std::vector<uint64_t> context(tezl_ContextBytes(options.level) / 8 + 1);
    std::vector<uint64_t> work(workBytes / 8 + 1);
    TezlContext *pContext =
        tezl_Create(context.data(), tezl_ContextBytes(options.level),
                    workBytes ? work.data() : nullptr, workBytes, options.level);
    if (!pContext) {
        std::fprintf(stderr, "tezl: cannot create level %d with %u bytes of work memory\n",
                     options.level, workBytes);
        return 2;
    }
    Buffer input = readAll(stdin);
    uint64_t capacity = options.capacity;
    if (capacity == 0) {
        capacity = options.bEncode ? input.size + input.size / 8 + 1024
                                   : std::min<uint64_t>(input.size * 4 + 65536, kMaxCapacity);
    }
    Buffer output;
    int32_t result;
    for (;;) {
        output.allocate(size_t(capacity));
        result = runOnce(pContext, options, input, output);
        // Without a given capacity a decode grows its room until it fits.
        if (result != TEZL_ERR_OUTPUT || options.capacity || options.bEncode ||
            capacity >= kMaxCapacity) {
            break;
        }
        capacity = std::min(capacity * 4, kMaxCapacity);
    }
    if (result > 0 &&
        std::fwrite(output.bytes.get(), 1, size_t(result), stdout) != size_t(result)) {
        std::fprintf(stderr, "tezl: writing standard output failed\n");
        return 1;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "result %d\n", result);
    return result >= 0 ? 0 : 1;
}
