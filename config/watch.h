// Watching the configuration file while the driver runs (WatchConfig=1):
// a file saved by an editor applies without a restart.
#pragma once

// Notes how the file looks now, after DISPLAYDLL_Init has read it. Does
// nothing (and costs nothing) unless the file set WatchConfig=1.
void StartWatchingConfig();

// At most once a second: true when the file was saved since it was last
// read and has now been read again whole. A file that cannot be read, is
// empty or changes during the read leaves every setting as it was and is
// tried again a second later.
bool ConfigFileSaved();
