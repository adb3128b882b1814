// The headless driver: runs any edition on the headless platform from a small script and
// prints every alert it raises and every window it snapshots. Same script, same output.
#pragma once

#include <iosfwd>
#include <string>

namespace korel {

class HeadlessPlatform;
class Program;

// Handles every event waiting on the headless platform, then runs one pass more (the frame
// tick); stops early once the program has ended.
void pumpHeadless(HeadlessPlatform& platform, Program& program);

// Runs the script; returns the program's exit code (or 2 for a script error, reported on out).
// Relative snapshot paths are taken from the current folder.
int runDriverScript(std::istream& script, std::ostream& out, const std::string& scriptName);

}  // namespace korel
