// quorl::ErrorCode: what went wrong, for a program to branch on.
//
// The same codes come from a rule set that is built (quorl::Rules) and from
// an edit (quorl::Editor), and the C API gives them the same numbers. Each
// fault also carries the message the command line prints for it.
#ifndef QUORL_ERROR_CODE_H
#define QUORL_ERROR_CODE_H

namespace quorl {

enum class ErrorCode : unsigned char {
  none = 0,          // no fault
  bad_item = 1,      // an item that is not [(<no>)]<from>:[<to>], or the field number 0
  bad_to = 2,        // a '$' in a <to> that starts no element
  bad_template = 3,  // a malformed -e template
  bad_brackets = 4,  // a -b text that is neither two bytes nor two characters
  nul_byte = 5,      // a line that holds a NUL byte
  no_memory = 6,     // a request for memory that could not be met
  read_error = 7,    // a stream that could not be read
  sink_stopped = 8,  // the sink of many edited lines asked to stop
  line_too_long = 9,  // a line at or over the line limit asked for
  not_found = 10,     // a file that cannot be opened as a file
  unclosed_quote = 11,  // a CSV record whose quoted field runs to the end of the input
  unknown_encoding = 12,  // a name of an encoding the system cannot convert from or to
  invalid_sequence = 13,  // bytes that form no character of the encoding converted from
  unconvertible = 14,     // a character the encoding converted to cannot hold
};

}  // namespace quorl

#endif
