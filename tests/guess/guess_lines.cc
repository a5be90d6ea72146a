// Prints the encoding guess of each line of standard input, one a line.
#include <iostream>
#include <string>

#include <quorl/quorl.h>

int main() {
  std::ios::sync_with_stdio(false);
  std::string line;
  while (std::getline(std::cin, line)) std::cout << quorl::guess_name(quorl::guess_encoding(line)) << '\n';
  return 0;
}
