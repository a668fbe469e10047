#pragma once

#include <string>

// Where the window's language files live. A working directory that holds "Language" keeps it
// (developers, portable use; on Windows only when the folder can be written); otherwise, as after a
// launch from the desktop menu, each user gets a copy of the installed languages under their
// configuration folder, so that the language choice and saved captions are written there and never
// into the installed data.
struct LanguageFolders {
  std::string workingDirectory;
  // The user's configuration folder ($XDG_CONFIG_HOME or ~/.config); "" when there is none.
  std::string configHome;
  // The installed, read-only "Language" folder that seeds the user's copy.
  std::string installedLanguage;
  // Whether the working directory's "Language" counts only when a file can be created in it.
  // On Windows it must: a shortcut may start the program in its installation under Program
  // Files, which a user cannot write. On Linux its presence is enough, as the design says.
#ifdef _WIN32
  bool mustBeWritable = true;
#else
  bool mustBeWritable = false;
#endif
};

// The base directory to hand to TKorvelLanguage (its "Language" subfolder is read and written).
// Creates <configHome>/tagwick/Language (Windows: <configHome>\Tagwick\Language) from the installed
// folder when it does not exist yet; when that cannot be done, returns the user's base all the
// same: its missing "Language" means the design texts, as with any missing language folder.
std::string LanguageBaseDirectory(const LanguageFolders& folders);

// The user's configuration folder from the environment: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config (on Windows %APPDATA%, read as UTF-16); "" when none is known.
std::string UserConfigHome();

// Whether a new file can be created in the folder (a file is created and removed at once).
bool CanCreateFileIn(const std::string& folder);
