// Key derivation where there is no CryptoAPI: our own SHA-1 and RC4.
#include "store/page_key.h"

namespace store {

KeyResult derivePageKey(const void* pass, int length) {
    KeyResult result;
    result.key = portablePageKey(pass, length);
    return result;
}

}  // namespace store
