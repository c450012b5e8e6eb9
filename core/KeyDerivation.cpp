#include "KeyDerivation.h"

#include "TrigTerms.h"

namespace tainoteka {
namespace {

int32_t WrapAdd(int32_t key, int32_t term)
{
    return static_cast<int32_t>(static_cast<uint32_t>(key) + static_cast<uint32_t>(term));
}

template <class Trig>
TKeySet Derive(std::string_view password)
{
    TKeySet k = BuiltInStartKeys;
    int64_t i = 0;
    for (unsigned char ch : password) {
        ++i;
        const int64_t c = ch;
        k.StartKey = WrapAdd(k.StartKey, Trig::CosTerm(i * c, 200000));
        k.MultKey = WrapAdd(k.MultKey, Trig::CosSinTerm(i * c + 3, 5 * i + 7 * c, 100000));
        k.AddKey = WrapAdd(k.AddKey, Trig::CosSinTerm(k.StartKey, k.MultKey, 100000));
    }
    return k;
}

} // namespace

TKeySet DerivePasswordKeysPortable(std::string_view password) { return Derive<trig::Portable>(password); }

#if TAINOTEKA_HAS_X87
bool HasX87Trig() { return true; }
TKeySet DerivePasswordKeysX87(std::string_view password) { return Derive<trig::X87>(password); }
#else
bool HasX87Trig() { return false; }
TKeySet DerivePasswordKeysX87(std::string_view password) { return Derive<trig::Portable>(password); }
#endif

TKeySet DerivePasswordKeys(std::string_view password)
{
#if TAINOTEKA_HAS_X87 && !TAINOTEKA_PORTABLE_TRIG
    return DerivePasswordKeysX87(password);
#else
    return DerivePasswordKeysPortable(password);
#endif
}

void DerivePasswordKeys(std::string_view password, int32_t& StartKey, int32_t& MultKey, int32_t& AddKey)
{
    const TKeySet k = DerivePasswordKeys(password);
    StartKey = k.StartKey;
    MultKey = k.MultKey;
    AddKey = k.AddKey;
}

} // namespace tainoteka
