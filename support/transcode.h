// Text from one encoding to another: the library's transcode and
// Transcoder (quorl/quorl.h), over the platform's converter.
//
// A name is one of quorl's encodings (mapped to the system's name for it)
// or any name the system's converter knows; a target may end in
// "//TRANSLIT". From Shift_JIS to UTF-8 or EUC-JP, the common conversions
// of large files, a stream is converted through a table of every
// character's form in the target, each converted once through the system's
// converter when the stream has grown large enough to pay for it; a
// conversion call per short piece would cost more than the conversion. Any
// other pair, and everything with //TRANSLIT, goes through the converter.
#ifndef QUORL_SUPPORT_TRANSCODE_H
#define QUORL_SUPPORT_TRANSCODE_H

#include <string>

#include "quorl/quorl.h"

namespace quorl {

// TargetName: a target named by a user, taken apart.
struct TargetName {
  std::string system;     // the converter's name for it; empty: none (bytes)
  bool translit = false;  // "//TRANSLIT" followed it
  bool ok = false;        // a suffix other than //TRANSLIT makes it false
};

// system_charset: the converter's name for an encoding a user names:
// quorl's names mapped, others as they are; empty for bytes.
std::string system_charset(const char* name);

// target_name: a target name, "NAME" or "NAME//TRANSLIT" (in any case).
TargetName target_name(const char* name);

}  // namespace quorl

#endif
