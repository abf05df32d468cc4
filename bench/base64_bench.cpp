// Base64 encoding of 1 MiB of random bytes: ours in lines of 72 characters (as the add-in encodes) against
// OpenSSL's EVP_EncodeBlock, which writes one line without breaks. Both allocate their output per call, as
// a caller of mxBase64Encode_Ext gets it; the peer is also measured writing into a reused buffer.
#include "peer_ratio.h"

#include "mx/base64.h"

#include <openssl/evp.h>

#include <memory>
#include <random>
#include <string>

namespace {

const std::string& Data()
{
    static const std::string data = [] {
        std::string bytes(1 << 20, '\0');
        std::mt19937 random(1);
        for (char& c : bytes)
            c = static_cast<char>(random());
        return bytes;
    }();
    return data;
}

void Base64EncodeLines72(benchmark::State& state)
{
    const std::string& data = Data();
    for (auto _ : state) {
        char* output = nullptr;
        benchmark::DoNotOptimize(mxBase64Encode_Ext(data.data(), int(data.size()), &output, false, 72));
        mxBase64FreeOutput(output);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(data.size()));
}

void OpenSslEncodeBlock(benchmark::State& state)
{
    const std::string& data = Data();
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> output(new unsigned char[(data.size() + 2) / 3 * 4 + 1]);
        benchmark::DoNotOptimize(EVP_EncodeBlock(output.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                                 int(data.size())));
    }
    state.SetBytesProcessed(state.iterations() * int64_t(data.size()));
}

void OpenSslEncodeBlockReusedBuffer(benchmark::State& state)
{
    const std::string& data = Data();
    std::unique_ptr<unsigned char[]> output(new unsigned char[(data.size() + 2) / 3 * 4 + 1]);
    for (auto _ : state)
        benchmark::DoNotOptimize(EVP_EncodeBlock(output.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                                 int(data.size())));
    state.SetBytesProcessed(state.iterations() * int64_t(data.size()));
}

} // namespace

BENCHMARK(Base64EncodeLines72);
BENCHMARK(OpenSslEncodeBlock);
BENCHMARK(OpenSslEncodeBlockReusedBuffer);

int main(int argc, char** argv)
{
    return bench::RunWithRatios(argc, argv,
                                {{"Base64EncodeLines72", "OpenSslEncodeBlock"},
                                 {"Base64EncodeLines72", "OpenSslEncodeBlockReusedBuffer"}});
}
