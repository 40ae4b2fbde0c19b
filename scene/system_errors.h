// The system's reason for a failed file operation as the user reads it: Japanese for the common cases,
// else the C library's text. UTF-8.
#pragma once

#include <string>

std::string system_error_text(int error);
