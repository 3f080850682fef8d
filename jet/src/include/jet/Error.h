#pragma once

#include <stdexcept>
#include <string>

namespace jet {

// Every failure of the engine is a jet::Error. Its text is meant for people
// (support staff read it in a message box); the code is for programs.
class Error : public std::runtime_error {
 public:
  enum class Code {
    kNotFound,              // the file does not exist
    kIo,                    // the operating system refused a read, write or flush
    kNotJet,                // not a Jet database at all
    kUnsupportedVersion,    // Access 2007+ (ACE) or an unknown version
    kPassword,              // protected by a database password
    kDamaged,               // truncated or inconsistent file
    kReadOnly,              // the file can only be read
    kInUse,                 // another program holds the file
    kTableNotFound,         // no such table
    kNotATable,             // a query, a linked table or a system table
    kUnsupportedStatement,  // a statement this engine does not run
    kRelationship,          // an enforced relationship forbids the change
  };

  Error(Code code, const std::string& message)
      : std::runtime_error(message), code_(code) {}

  Code code() const { return code_; }

 private:
  Code code_;
};

// A file that contradicts itself: the reason says where.
Error Damaged(const std::string& reason);

}  // namespace jet
