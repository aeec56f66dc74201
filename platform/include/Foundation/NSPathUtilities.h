// Stand-in for Foundation's standard folders. The macOS folders map to their Linux counterparts:
//
//   folder               user domain                              local domain       system domain
//   Library              ${XDG_DATA_HOME:-$HOME/.local/share}     /usr/local/share   /usr/share
//   Application Support  ${XDG_DATA_HOME:-$HOME/.local/share}     /usr/local/share   /usr/share
//   Caches               ${XDG_CACHE_HOME:-$HOME/.cache}          /var/cache         /var/cache
//   Documents            $HOME/Documents
//   Desktop              $HOME/Desktop
//   Downloads            $HOME/Downloads
//   Movies               $HOME/Videos
//   Music                $HOME/Music
//   Pictures             $HOME/Pictures
//
// XDG variables count only when they hold an absolute path. The network domain has no folders.
#pragma once

#include <string>
#include <vector>

typedef unsigned long NSUInteger;

enum NSSearchPathDirectory : NSUInteger
{
  NSLibraryDirectory = 5,
  NSDocumentDirectory = 9,
  NSDesktopDirectory = 12,
  NSCachesDirectory = 13,
  NSApplicationSupportDirectory = 14,
  NSDownloadsDirectory = 15,
  NSMoviesDirectory = 17,
  NSMusicDirectory = 18,
  NSPicturesDirectory = 19
};

enum NSSearchPathDomainMask : NSUInteger
{
  NSUserDomainMask = 1,
  NSLocalDomainMask = 2,
  NSNetworkDomainMask = 4,
  NSSystemDomainMask = 8,
  NSAllDomainsMask = 0x0ffff
};

// The folders of the domains in the mask, user first, then local, then system. Without tilde
// expansion, folders inside the home folder are written "~/...".
std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                             NSSearchPathDomainMask domainMask,
                                                             bool expandTilde);
// $HOME, or the user database's home folder when $HOME is unset or empty.
std::string NSHomeDirectory();
