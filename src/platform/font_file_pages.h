#pragma once

namespace tolvane {

// Lets go of the pages of font files mapped into this process. FreeType maps each font file it opens, and
// every glyph looked up brings in the file's pages around it; a CJK face soon holds megabytes that nothing
// reads again, since drawn glyphs are cached. The mappings stay: a later glyph brings its pages back from
// the page cache. Only read-only font file mappings are touched, which hold nothing but the file's bytes.
void releaseMappedFontFilePages();

} // namespace tolvane
