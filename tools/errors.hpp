// Input that the host refuses: a matrix a kernel cannot take, a bad option, a bundle that
// does not load. what() is the one-line message for the user.
#ifndef SPK_TOOLS_ERRORS_HPP
#define SPK_TOOLS_ERRORS_HPP

#include <stdexcept>

namespace spk::host {

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace spk::host

#endif  // SPK_TOOLS_ERRORS_HPP
