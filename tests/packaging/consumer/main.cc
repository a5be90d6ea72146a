// consumer: edits one text through the installed quorl library.
//
// usage: consumer <whole_word> <from_list> <to_list> <line>
// Prints the edited text and a newline, or "(null)" when convert_str
// refuses the lists.
#include <quorl/quorl.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: consumer <whole_word> <from_list> <to_list> <line>\n");
    return 2;
  }
  const char* edited = quorl::convert_str(std::atoi(argv[1]), argv[2], argv[3], argv[4]);
  std::printf("%s\n", edited != nullptr ? edited : "(null)");
  return 0;
}
