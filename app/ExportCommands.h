#pragma once
// The two export commands of the window program, "DXF 形式(&D)" and "ビットマップを保存(&R)":
// the refusal while rendering, the save dialog, then the core writer (exportDxf,
// saveRenderedImage), which shows its own messages and progress. The file name comes
// from the FileChooser given, so the tests choose it without a dialog.

class DocumentModel;
class FileChooser;
class UserFeedback;

// The terrain mesh of the document's textures and settings as a DXF file. Refuses while a
// rendering is in progress; does nothing when the user cancels the save dialog.
void runExportDxf(DocumentModel& doc, FileChooser& files, UserFeedback& feedback);

// The rendered picture (the engine's screen image) as a 24-bit BMP file. Refuses while a
// rendering is in progress; does nothing when the user cancels the save dialog.
void runSaveBitmap(DocumentModel& doc, FileChooser& files, UserFeedback& feedback);
