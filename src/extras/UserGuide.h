#pragma once

#include <QString>

namespace kx {

// Where "使用帮助" finds the user guide: the HTML page the build makes from
// docs/使用说明.md, with its pictures in an images/ folder beside it. Both
// places are found from the program's own folder, so an installation under
// any prefix and a build tree each open their own guide, and no path of the
// machine that built the program is compiled in.
class UserGuide {
public:
    static const QString fileName;

    // The guide an installation keeps in its documentation folder:
    // PREFIX/share/doc/kestrix for a program in PREFIX/bin.
    static QString installedPath(const QString& programDir);
    // The guide a build tree makes beside the program it builds.
    static QString buildTreePath(const QString& programDir);
    // The installed guide when it is there, else the build tree's; empty
    // when neither is (a system that leaves documentation out).
    static QString find(const QString& programDir);
};

}  // namespace kx
