#include "OverlappedSeal.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

#include "Cipher.h"
#include "CodePage1251.h"
#include "KeyBlock.h"
#include "Wipe.h"
#include "WipedStackThread.h"

namespace tainoteka {
namespace {

// Enciphers a body in order up to what the converter has reached.
class TCipherBehind {
public:
    TCipherBehind(unsigned char* body, const TKeySet& keys) : body_(body), keys_(keys) {}
    ~TCipherBehind() { Finish(); }
    TCipherBehind(const TCipherBehind&) = delete;
    TCipherBehind& operator=(const TCipherBehind&) = delete;

    void Start() { thread_.emplace([this] { Run(); }); }
    void Reached(std::size_t converted)
    {
        {
            const std::lock_guard lock(mutex_);
            converted_ = converted;
        }
        moved_.notify_one();
    }
    // Waits until all that was reached is enciphered.
    void Finish()
    {
        if (!thread_) {
            Encipher(converted_); // no second thread: the same work here
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        moved_.notify_one();
        thread_.reset();
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            moved_.wait(lock, [this] { return done_ || converted_ > enciphered_; });
            const std::size_t upTo = converted_;
            const bool last = done_;
            lock.unlock();
            Encipher(upTo);
            lock.lock();
            if (last && enciphered_ == converted_)
                return;
        }
    }
    void Encipher(std::size_t upTo)
    {
        keys_.StartKey = EncryptRun(body_ + enciphered_, upTo - enciphered_, keys_);
        enciphered_ = upTo;
    }

    unsigned char* const body_;
    TKeySet keys_;
    std::size_t enciphered_ = 0; // only the enciphering thread moves it
    std::size_t converted_ = 0;
    bool done_ = false;
    std::mutex mutex_;
    std::condition_variable moved_;
    std::optional<TWipedStackThread> thread_;
};

} // namespace

TSealedTxtp::~TSealedTxtp()
{
    if (bytes_)
        WipeBytes(bytes_.get(), size_);
}

TSealedTxtp SealTxtpText(std::u16string_view text, std::string_view password, TRandomSource& random,
                         std::size_t pieceUnits)
{
    TSealedTxtp sealed;
    // Room for the most the text can take; pages never written stay unused.
    sealed.bytes_.reset(new char[KeyBlockSize + TStoredTextEncoder::MostBytes(text.size())]);
    TBuiltKeyBlock keyBlock = BuildKeyBlock(password, random);
    std::memcpy(sealed.bytes_.get(), keyBlock.Block.data(), KeyBlockSize);
    Wipe(keyBlock.Block);
    char* const body = sealed.bytes_.get() + KeyBlockSize;

    TCipherBehind cipher(reinterpret_cast<unsigned char*>(body), keyBlock.BodyKeys);
    try {
        cipher.Start();
    } catch (const std::system_error&) {
        // Without a second thread the cipher runs after the conversion.
    }
    TStoredTextEncoder encoder;
    char* out = body;
    for (std::size_t at = 0; at < text.size() && !encoder.Refused(); at += pieceUnits) {
        out = encoder.Encode(text.substr(at, pieceUnits), out);
        cipher.Reached(std::size_t(out - body));
    }
    out = encoder.Finish(out);
    cipher.Reached(std::size_t(out - body));
    cipher.Finish();
    sealed.size_ = std::size_t(out - sealed.bytes_.get());
    sealed.refused_ = encoder.Refused();
    if (sealed.refused_) {
        WipeBytes(sealed.bytes_.get(), sealed.size_);
        sealed.size_ = 0;
    }
    return sealed;
}

} // namespace tainoteka
