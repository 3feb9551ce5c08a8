// The two kinds of failure vesk-host reports. Everything that reads outside
// bytes or drives a plug-in throws one of these with a message a user can act on.
#pragma once

#include <stdexcept>
#include <string>

namespace HostKit {

/// A failure with a message for the user; the program exits with status 1.
struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// A malformed command line; the program exits with status 2 and a usage hint.
struct UsageError : HostError {
    using HostError::HostError;
};

}  // namespace HostKit
