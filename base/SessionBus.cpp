#include "base/SessionBus.h"

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace SessionBus {

namespace {

bool exists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// What execvp would start: a regular file (or a link to one) it may execute.
bool isProgram(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

bool autolaunchIsFutile(const char *busAddress, const char *runtimeDir, const char *searchPath, const char *binDir)
{
    // An address, even an empty one, is the library's to interpret.
    if (busAddress)
        return false;
    // The library takes the socket only if it is the user's own; whatever
    // lies there, the decision stays with the library.
    if (runtimeDir && *runtimeDir && exists(std::string(runtimeDir) + "/bus"))
        return false;
    const std::string launcher = "dbus-launch";
    if (binDir && isProgram(std::string(binDir) + '/' + launcher))
        return false;
    // With no PATH at all execvp searches its default list.
    const std::string path = searchPath ? searchPath : "/bin:/usr/bin";
    for (std::string::size_type from = 0;;) {
        const std::string::size_type to = path.find(':', from);
        std::string dir = path.substr(from, to == std::string::npos ? std::string::npos : to - from);
        // An empty entry is the current folder, as execvp reads it.
        if (dir.empty())
            dir = ".";
        if (isProgram(dir + '/' + launcher))
            return false;
        if (to == std::string::npos)
            break;
        from = to + 1;
    }
    return true;
}

void avoidFutileAutolaunch()
{
    if (autolaunchIsFutile(std::getenv("DBUS_SESSION_BUS_ADDRESS"), std::getenv("XDG_RUNTIME_DIR"),
                           std::getenv("PATH"), "/usr/bin"))
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
}

} // namespace SessionBus
