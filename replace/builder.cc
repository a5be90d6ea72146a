#include "replace/builder.h"

#include <cstring>

#include "replace/matcher.h"
#include "replace/width.h"
#include "support/sjis.h"

namespace quorl {

namespace {

// slot_for: the capture slot that the element $<letter> inserts, or -1 when
// the letter names no capture ($l, $u, $w, $n, $h and $k convert the match
// instead).
int slot_for(char letter) {
  switch (letter) {
    case '$': return CAP_WHOLE;
    case 'A': return CAP_A;
    case 'a': return CAP_a;
    case 'd': return CAP_d;
    case 'f': return CAP_f;
    case 'D': return CAP_D;
    case 's': return CAP_s;
    case 'x': return CAP_x;
    case 'g': return CAP_g;
    case 'c': return CAP_c;
  }
  return -1;
}

// literal_run: the end of the literal text that starts at t; with out
// non-null its bytes are written there and *written counts them.
const char* literal_run(Encoding enc, const char* t, char* out, size_t* written) {
  size_t n = 0;
  while (*t != '\0' && *t != '$') {
    if (*t == '\\' && *++t == '\0') break;
    // A character is taken whole and unread: a Shift_JIS second byte 0x5C
    // is no escape, and not even a '$' there starts an element.
    const int len = char_len(enc, t);
    if (out != nullptr) std::memcpy(out + n, t, static_cast<size_t>(len));
    n += static_cast<size_t>(len);
    t += len;
  }
  *written = n;
  return t;
}

// convert_case: the match with its single-byte ASCII letters turned to
// upper case (upper) or lower case; longer characters stay whole.
void convert_case(Encoding enc, const char* match, size_t len, char* out, bool upper) {
  for (size_t i = 0; i < len; ++i) {
    const unsigned char c = static_cast<unsigned char>(match[i]);
    const size_t n = c < 0x80 ? 1 : static_cast<size_t>(char_len(enc, match + i));
    if (n > 1 && i + n <= len) {
      std::memcpy(out + i, match + i, n);
      i += n - 1;
    } else if (upper && c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    } else if (!upper && c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    } else {
      out[i] = match[i];
    }
  }
}

}  // namespace

void compile_to(const char* to, ToProgram* prog, Encoding enc) {
  prog->enc = enc;
  prog->count = 0;
  prog->text_len = 0;
  prog->usable = false;
  prog->bad_at = -1;
  prog->constant = false;
  prog->reads = 0;
  const size_t len = std::strlen(to);
  // No template has more pieces than bytes, nor more literal bytes.
  auto* pieces = reinterpret_cast<ToPiece*>(prog->pieces.reserve((len + 1) * sizeof(ToPiece)));
  char* bytes = prog->bytes.reserve(len + 1);
  const char* t = to;
  for (;;) {
    ToPiece piece;
    size_t run = 0;
    t = literal_run(enc, t, bytes + prog->text_len, &run);
    piece.text_at = prog->text_len;
    piece.text_len = run;
    prog->text_len += run;
    if (*t == '$') {
      if (t[1] == 'l' || t[1] == 'u' || is_width_letter(t[1]))
        piece.convert = t[1];
      else if ((piece.slot = static_cast<signed char>(slot_for(t[1]))) < 0) {
        // A bad element: reported when a match reaches it.
        prog->bad_at = static_cast<int>(t - to);
        return;
      } else
        prog->reads |= 1u << piece.slot;
      t += 2;
    }
    pieces[prog->count++] = piece;
    if (*t == '\0') break;
  }
  prog->usable = true;
  prog->constant = prog->count == 1 && pieces[0].convert == 0 && pieces[0].slot < 0;
  bytes[prog->text_len] = '\0';
}

size_t to_program_size(const ToProgram& prog, const Captures& caps, size_t match_len) {
  size_t n = prog.text_len;
  const auto* pieces = reinterpret_cast<const ToPiece*>(prog.pieces.data);
  for (int k = 0; k < prog.count; ++k) {
    if (pieces[k].convert != 0)
      n += is_width_letter(pieces[k].convert) ? width_converted_max(match_len) : match_len;
    else if (pieces[k].slot >= 0)
      n += caps.slot[pieces[k].slot].len;
  }
  return n;
}

size_t expand_to_program(const ToProgram& prog, const Captures& caps, const char* match, char* out,
                         size_t match_len) {
  char* w = out;
  const auto* pieces = reinterpret_cast<const ToPiece*>(prog.pieces.data);
  for (int k = 0; k < prog.count; ++k) {
    const ToPiece& piece = pieces[k];
    std::memcpy(w, prog.bytes.data + piece.text_at, piece.text_len);
    w += piece.text_len;
    if (piece.convert != 0) {
      if (is_width_letter(piece.convert)) {
        w += convert_width(prog.enc, static_cast<WidthConvert>(piece.convert), match, match_len, w);
      } else {
        convert_case(prog.enc, match, match_len, w, piece.convert == 'u');
        w += match_len;
      }
    } else if (piece.slot >= 0) {
      const Capture& c = caps.slot[piece.slot];
      std::memcpy(w, c.text, c.len);
      w += c.len;
    }
  }
  *w = '\0';
  return static_cast<size_t>(w - out);
}

}  // namespace quorl
