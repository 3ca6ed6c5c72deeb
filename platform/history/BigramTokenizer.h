#pragma once

#include <sqlite3.h>

#include <functional>
#include <string_view>

namespace history
{

// Japanese has no spaces between words, so a word index would find nothing inside a
// sentence. The history's full-text index is made of bigrams instead: every two
// neighbouring characters of a text are one token ("会議室" gives "会議", "議室"). A
// search text gives its own bigrams as one phrase, so a line matches exactly when it
// contains the search text, from two characters on. ASCII letters are folded to lower
// case; every other character is indexed as it is.

// Calls `token(bytes, start, end)` for each bigram of the UTF-8 `text`, with the byte
// range it covers. A byte that does not begin valid UTF-8 counts as one character.
void ForEachBigram(std::string_view text,
                   const std::function<void(std::string_view, int, int)>& token);

// Registers the tokenizer as "palavo_bigram" with the FTS5 module of `db`. Returns an
// SQLite result code.
int RegisterBigramTokenizer(sqlite3* db);

} // namespace history
