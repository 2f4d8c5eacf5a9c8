// The process's privileges: on Linux, capabilities (from a file capability, or from running as root) and set-user
// and set-group ids. On Windows any user may bind the daemon's port, and there is nothing to drop.
//
// The program needs one privileged thing, the daemon's port, and takes it first (DaemonSocket). Then main drops
// every privilege, before Qt or any other library loads a plugin: a plugin path in the environment names code of
// the user's choosing, and it must never run with rights the user lacks.
#pragma once

#include <QString>
#include <QtGlobal>

class Privileges {
public:
    // What a process whose real user is root keeps: its reach over files, so that a root session reads and writes
    // where it did before (under sudo that is the invoking user's X authority and settings). Root owns the
    // system's files by its user id anyway; every other capability goes.
    // CAP_DAC_OVERRIDE (1), CAP_DAC_READ_SEARCH (2) and CAP_FOWNER (3), numbers of the kernel's interface.
    static constexpr quint64 ROOT_KEEPS = (quint64(1) << 1) | (quint64(1) << 2) | (quint64(1) << 3);

    // Drops every capability (ROOT_KEEPS stay when the real user is root) from the effective, permitted,
    // inheritable and ambient sets and, as far as the process may, from the bounding set; forbids any later exec to
    // grant privileges; and goes back to the real user and group of a set-id start. True when nothing beyond what
    // may stay is left.
    static bool drop();
    // Whether the program was started with rights its user lacks (file capabilities, set-user or set-group id).
    static bool startedPrivileged();
    // Unsets the environment variables that name places code is loaded from (Qt's, GStreamer's and GTK's plugin
    // paths and their like): the last resort where the privileges could not be dropped.
    static void forgetPluginPaths();

    // The line that tells a user who may not bind `port` how to grant it to the program at `programPath`; empty where
    // binding it needs no right (Windows).
    static QString grantHint(quint16 port, const QString& programPath);
};
