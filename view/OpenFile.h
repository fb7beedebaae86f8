// Opening a row's file with the application the desktop associates with its type.
#pragma once

#include <string>

class IFileLauncher;
class IPrompt;

// The one failure reported (through prompt) is a type without an application; a file that is
// gone or not a regular file, or an application that does not start, passes silently.
void OpenFileWithDefaultApplication(const std::string& strPath, IFileLauncher& launcher,
                                    IPrompt& prompt);
