#pragma once
// Workspace: the library's side of the file system. Every material lives in "./workspace/" as a
// media file beside its ".lrc" script of the same base name; this class names, copies and finds
// those files and searches the three local list files. Stateless; any thread, though the
// library calls it from the GUI thread only.
#include <QString>

class Workspace {
public:
    // "./workspace/".
    static QString folder();
    // "./respool/": downloads in progress and finished downloads not yet in the workspace.
    static QString cacheFolder();
    // The file-name part of a row's column 3: the last component of its URL path, or of the
    // plain file name for local lists.
    static QString fileNamePart(const QString& url);
    // "./workspace/" + fileNamePart(url): the path the rest of the program opens.
    static QString materialPath(const QString& url);
    // The script of a media path: the same path with its last extension replaced by ".lrc".
    static QString scriptOf(const QString& path);
    // A name under which a copy of fileName can go into the workspace without replacing
    // anything: base_N.ext with the smallest N for which neither the media name nor its script
    // name exists.
    static QString freeName(const QString& fileName);
    // Copies src over dst (truncating dst) when src is an existing file and not dst itself.
    static bool copyFile(const QString& src, const QString& dst);
    // Puts a sentence file at dst: a ".lrc" is copied as it is; subtitles (.srt, .vtt) are
    // written as a UTF-8 ".lrc" of their cues. False when nothing could be written or the
    // subtitles hold no cue.
    static bool copyScript(const QString& src, const QString& dst);
    // Where a file is listed: "初级材料:", "中级材料:" or "高级材料:" followed by the title of the
    // first case of the level's local list that names it, or empty when no list names it.
    static QString listedTitle(const QString& fileName);
    // Brings a finished download and its script into the workspace; returns the media file's
    // name there, or empty when the file is in the workspace already and listed.
    static QString adoptFiles(const QString& media, const QString& script);
    // True when the media file and its script both exist in the workspace.
    static bool hasMaterial(const QString& name);
    // True when path's folder is the workspace folder.
    static bool inWorkspace(const QString& path);
};
