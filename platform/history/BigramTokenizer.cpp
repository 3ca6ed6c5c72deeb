#include "platform/history/BigramTokenizer.h"

#include <array>

namespace history
{
namespace
{
// The length of the UTF-8 character that starts at `text[at]`, or 1 for a byte that
// does not begin a valid one.
int CharLength(std::string_view text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                     : (lead >> 3) == 0x1E ? 4 : 1;
    if (at + length > text.size())
        return 1;
    for (int i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

struct Tokenizer {
};

int Create(void*, const char**, int, Fts5Tokenizer** out)
{
    // The tokenizer has no state; FTS5 only needs a pointer that is not null.
    *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer);
    return SQLITE_OK;
}

void Delete(Fts5Tokenizer* tokenizer)
{
    delete reinterpret_cast<Tokenizer*>(tokenizer);
}

int Tokenize(Fts5Tokenizer*, void* context, int, const char* text, int bytes,
             int (*emit)(void*, int, const char*, int, int, int))
{
    int result = SQLITE_OK;
    ForEachBigram(std::string_view(text, bytes > 0 ? bytes : 0),
                  [&](std::string_view token, int start, int end) {
                      if (result == SQLITE_OK)
                          result = emit(context, 0, token.data(), static_cast<int>(token.size()),
                                        start, end);
                  });
    return result;
}
} // namespace

void ForEachBigram(std::string_view text,
                   const std::function<void(std::string_view, int, int)>& token)
{
    std::array<char, 8> bigram{};
    size_t first = 0;
    if (text.empty())
        return;
    int firstLength = CharLength(text, 0);
    while (first + firstLength < text.size()) {
        const size_t second = first + firstLength;
        const int secondLength = CharLength(text, second);
        const size_t length = firstLength + secondLength;
        for (size_t i = 0; i < length; ++i) {
            const char c = text[first + i];
            bigram[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        token(std::string_view(bigram.data(), length), static_cast<int>(first),
              static_cast<int>(second + secondLength));
        first = second;
        firstLength = secondLength;
    }
}

int RegisterBigramTokenizer(sqlite3* db)
{
    // The FTS5 module hands out its interface only through this query.
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr);
    if (result != SQLITE_OK)
        return result;
    sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    result = sqlite3_finalize(statement);
    if (result != SQLITE_OK)
        return result;
    if (api == nullptr || api->iVersion < 2)
        return SQLITE_ERROR;
    static fts5_tokenizer tokenizer{Create, Delete, Tokenize};
    return api->xCreateTokenizer(api, "palavo_bigram", nullptr, &tokenizer, nullptr);
}

} // namespace history
