// Base64 with the RFC 4648 standard alphabet and "=" fill, optionally broken into CR LF terminated lines,
// and a scrambled variant ("#" and three digits, then text in a permuted alphabet) that only this library
// reads back. Signatures and structure data of web-service requests are encoded with it.
#pragma once

#include "mx/export.h"

#include <string>

// Encodes length bytes into a new NUL-terminated buffer stored through output (release it with
// mxBase64FreeOutput) and returns the number of characters written before the NUL. lineLength is rounded
// down to a multiple of 4 and taken modulo 65536; 0 means no line breaks, otherwise every line, the last
// included, ends in CR LF. scramble reseeds the runtime library's random generator (rand).
MX_API long long mxBase64Encode_Ext(const char* data, int length, char** output, bool scramble,
                                    unsigned lineLength);

// Releases a buffer of mxBase64Encode_Ext or mxBase64Decode_Ext; null is ignored.
MX_API void mxBase64FreeOutput(char* output);

// Decodes length characters into a new NUL-terminated buffer stored through output and returns the byte
// count. Characters outside the alphabet (line breaks, blanks, "=") are skipped once the first 256
// characters were found to be Base64 text; a trailing group of two or three characters gives one or two
// bytes. Returns 0 with a null output when the text is not Base64 or is scrambled while scrambled text is
// not allowed.
MX_API long long mxBase64Decode_Ext(const char* text, int length, char** output);

// The process-wide switch that lets mxBase64Decode_Ext read scrambled text; off until set.
MX_API void mxBase64AllowScrambled(bool allow);

// Owns the encoder's output for one byte string.
class MX_API mxBinaryToBase64 {
public:
    mxBinaryToBase64(const std::string& data, bool scramble, int lineLength);
    ~mxBinaryToBase64();
    mxBinaryToBase64(const mxBinaryToBase64&) = delete;
    mxBinaryToBase64& operator=(const mxBinaryToBase64&) = delete;

    operator std::string() const; // exactly the encoded characters, line breaks included

private:
    char* m_output = nullptr;
    long long m_length = 0;
};
