// quorl::Encoding: how bytes form characters in the text quorl edits.
#ifndef QUORL_ENCODING_H
#define QUORL_ENCODING_H

namespace quorl {

// sjis: Shift_JIS (code page 932), the default; utf8: UTF-8; eucjp: EUC-JP;
// bytes: every byte is a character.
enum class Encoding : unsigned char { sjis, utf8, eucjp, bytes };

}  // namespace quorl

#endif
