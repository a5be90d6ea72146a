// consumer: edits text through the installed quorl library.
//
// usage: consumer <whole_word> <from_list> <to_list> <line>
//   prints convert_str's result and a newline, or "(null)" when it refuses
//   the lists;
// usage: consumer rules <separator> <template> <spec> <line>...
//   compiles the specification (one -r text) with the separator ("" for none)
//   and the template ("" for none), edits each line through one editor and
//   prints each result, or "error: " and the message.
#include <quorl/classic.h>
#include <quorl/quorl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[1], "rules") == 0) {
    quorl::RuleOptions options;
    options.separator = argv[2];
    if (argv[3][0] != '\0') options.extract = argv[3];
    options.specs.push_back(argv[4]);
    quorl::Editor editor{quorl::Rules(options)};
    for (int i = 5; i < argc; ++i) {
      const quorl::Edited e = editor.edit(argv[i]);
      const std::string text(e ? e.text : e.error);
      std::printf("%s%s\n", e ? "" : "error: ", text.c_str());
    }
    return 0;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: consumer <whole_word> <from_list> <to_list> <line>\n");
    return 2;
  }
  const char* edited = quorl::convert_str(std::atoi(argv[1]), argv[2], argv[3], argv[4]);
  std::printf("%s\n", edited != nullptr ? edited : "(null)");
  return 0;
}
