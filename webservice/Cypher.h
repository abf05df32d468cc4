// The pass-phrase cipher of the header lists stored in the configuration. The add-in only deciphers; the
// administrator's tool enciphers. The fixed pass phrase and salt obscure the stored lists from casual reading;
// they are not a secret, since every copy of the add-in carries them.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>

// A stored value that cannot be deciphered: not Base64, not whole cipher blocks, or not deciphering to text
// under this pass phrase. The message says which.
class CypherError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The key and initialisation vector are derived from the pass phrase on first use and kept for the life of
// the object (deriving them costs milliseconds); several threads may use one cipher at once.
class lc_Cypher {
public:
    explicit lc_Cypher(std::string passPhrase);
    lc_Cypher(const lc_Cypher&) = delete;
    lc_Cypher& operator=(const lc_Cypher&) = delete;

    // Plain text in the system code page to Base64 text without line breaks. Throws CypherError for text with
    // a zero character, which Decrypt would refuse.
    std::string Encrypt(const std::string& plainText) const;
    // The inverse of Encrypt; throws CypherError for anything Encrypt cannot have produced under this pass
    // phrase.
    std::string Decrypt(const std::string& cipherText) const;

private:
    // The AES-256 key (32 bytes) followed by the initialisation vector (16 bytes).
    using KeyMaterial = std::array<std::uint8_t, 48>;
    const KeyMaterial& DerivedKeyMaterial() const;

    std::string m_passPhrase;
    mutable std::mutex m_derivation;
    mutable bool m_derived = false;
    mutable KeyMaterial m_keyMaterial{};
};

// The cipher of the stored header lists, with the add-in's pass phrase.
extern const lc_Cypher cypher;
