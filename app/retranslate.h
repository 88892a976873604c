#pragma once
// Putting a window's texts into the language in force (language.h).

class QObject;

namespace pitkad {

// Sets the texts of `root` and of every object in it (captions, tool tips,
// titles, list items, suffixes) in the language in force. The first call
// records each text that is Japanese or has a translation as its source
// text; a text that code has changed since is recorded anew. Texts that code composes (a file name
// in a caption, a status) are set again by their window after this.
void retranslate_tree(QObject* root);

} // namespace pitkad
