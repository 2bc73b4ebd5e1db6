#pragma once

#include <string>

// Two tree models' library object names, planted, written and read back throughout the document's tests.
inline const std::string guidA = "67707891DBC1CC0D5F111EE9C4CBF11A";
inline const std::string guidB = "67677891DBC1CC0D5F111EE9C4CBF62F";
