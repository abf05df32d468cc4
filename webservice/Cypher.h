// The pass-phrase cipher of the header lists stored in the configuration. The add-in only deciphers; the
// administrator's tool enciphers. The fixed pass phrase and salt obscure the stored lists from casual reading;
// they are not a secret, since every copy of the add-in carries them.
#pragma once

#include <stdexcept>
#include <string>

// A stored value that cannot be deciphered: not Base64, not whole cipher blocks, or not deciphering to text
// under this pass phrase. The message says which.
class CypherError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class lc_Cypher {
public:
    explicit lc_Cypher(std::string passPhrase);

    // Plain text in the system code page to Base64 text without line breaks. Throws CypherError for text with
    // a zero character, which Decrypt would refuse.
    std::string Encrypt(const std::string& plainText) const;
    // The inverse of Encrypt; throws CypherError for anything Encrypt cannot have produced under this pass
    // phrase.
    std::string Decrypt(const std::string& cipherText) const;

private:
    std::string m_passPhrase;
};

// The cipher of the stored header lists, with the add-in's pass phrase.
extern const lc_Cypher cypher;
