// Throughput of the cipher's buffer operations, per form, beside OpenSSL's
// AES-256-GCM on the same sizes in the same run as a yardstick. Build with
// -DCMAKE_BUILD_TYPE=Release and run when the machine is quiet, e.g.
//   cipher_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/Cipher.h"
#include "crypto/KeyDerivation.h"

namespace {

using tsrn::crypto::CipherForm;

constexpr std::size_t kChunk = 4096;
constexpr std::size_t kLarge = std::size_t{64} << 20;

std::vector<std::uint8_t> RandomBuffer(std::size_t size) {
    std::vector<std::uint8_t> out(size);
    std::mt19937 rng(42);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

struct Buffers {
    explicit Buffers(std::size_t size) : src(RandomBuffer(size)), dst(size) {}
    std::vector<std::uint8_t> src;
    std::vector<std::uint8_t> dst;
};

Buffers& BuffersOf(std::size_t size) {
    static Buffers chunk(kChunk);
    static Buffers large(kLarge);
    return size == kChunk ? chunk : large;
}

// form == nullptr: the dispatched operations callers use.
void CipherThroughput(benchmark::State& state, const CipherForm* form, bool encipher,
                      std::size_t size) {
    Buffers& buffers = BuffersOf(size);
    const auto key = tsrn::crypto::DeriveKey("benchmark password");
    const auto length = static_cast<std::uint32_t>(size);
    for (auto _ : state) {
        const std::uint8_t* src = buffers.src.data();
        std::uint8_t* dst = buffers.dst.data();
        if (form == nullptr && encipher) {
            tsrn::crypto::EncipherBuffer(src, dst, length, 4096, key);
        } else if (form == nullptr) {
            tsrn::crypto::DecipherBuffer(src, dst, length, 4096, key);
        } else if (encipher) {
            tsrn::crypto::EncipherBufferWith(*form, src, dst, length, 4096, key);
        } else {
            tsrn::crypto::DecipherBufferWith(*form, src, dst, length, 4096, key);
        }
        benchmark::DoNotOptimize(buffers.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// One whole message per iteration: set the nonce, process, finish with the tag.
bool AesGcmMessage(EVP_CIPHER_CTX* ctx, bool encipher, const std::uint8_t* key,
                   const std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t size, std::uint8_t* tag) {
    int n = 0;
    const int length = static_cast<int>(size);
    if (encipher) {
        return EVP_EncryptInit_ex(ctx, nullptr, nullptr, key, iv) == 1 &&
               EVP_EncryptUpdate(ctx, out, &n, in, length) == 1 &&
               EVP_EncryptFinal_ex(ctx, out + n, &n) == 1 &&
               EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag) == 1;
    }
    return EVP_DecryptInit_ex(ctx, nullptr, nullptr, key, iv) == 1 &&
           EVP_DecryptUpdate(ctx, out, &n, in, length) == 1 &&
           EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag) == 1 &&
           EVP_DecryptFinal_ex(ctx, out + n, &n) == 1;
}

void AesGcmThroughput(benchmark::State& state, bool encipher, std::size_t size) {
    Buffers& buffers = BuffersOf(size);
    std::uint8_t key[32] = {1, 2, 3};
    std::uint8_t iv[12] = {4, 5, 6};
    std::uint8_t tag[16] = {};
    CipherContext enc(EVP_CIPHER_CTX_new());
    CipherContext dec(EVP_CIPHER_CTX_new());
    if (!enc || !dec ||
        EVP_EncryptInit_ex(enc.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_DecryptInit_ex(dec.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1) {
        state.SkipWithError("OpenSSL AES-256-GCM unavailable");
        return;
    }
    // Deciphering needs a real message and tag to check.
    std::vector<std::uint8_t> sealed(size);
    if (!AesGcmMessage(enc.get(), true, key, iv, buffers.src.data(), sealed.data(), size, tag)) {
        state.SkipWithError("AES-256-GCM failed");
        return;
    }
    const std::uint8_t* in = encipher ? buffers.src.data() : sealed.data();
    for (auto _ : state) {
        if (!AesGcmMessage(encipher ? enc.get() : dec.get(), encipher, key, iv, in,
                           buffers.dst.data(), size, tag)) {
            state.SkipWithError("AES-256-GCM failed");
            break;
        }
        benchmark::DoNotOptimize(buffers.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}

std::string Name(const char* op, const char* form, std::size_t size) {
    std::string name = op;
    name += '/';
    name += form;
    name += size == kChunk ? "/4096" : "/64MiB";
    return name;
}

void RegisterAll() {
    static const CipherForm kForms[] = {CipherForm::Portable, CipherForm::Avx2,
                                        CipherForm::Avx512Vbmi};
    for (std::size_t size : {kChunk, kLarge}) {
        for (bool encipher : {true, false}) {
            const char* op = encipher ? "Encipher" : "Decipher";
            benchmark::RegisterBenchmark(Name(op, "dispatched", size).c_str(), CipherThroughput,
                                         nullptr, encipher, size);
            for (const CipherForm& form : kForms) {
                if (tsrn::crypto::FormAvailable(form)) {
                    benchmark::RegisterBenchmark(
                        Name(op, tsrn::crypto::FormName(form), size).c_str(), CipherThroughput,
                        &form, encipher, size);
                }
            }
            benchmark::RegisterBenchmark(
                Name(encipher ? "AesGcmSeal" : "AesGcmOpen", "openssl", size).c_str(),
                AesGcmThroughput, encipher, size);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::AddCustomContext("dispatched_cipher_form",
                                tsrn::crypto::FormName(tsrn::crypto::ActiveForm()));
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
