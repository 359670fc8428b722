#pragma once
// The export commands of the window program, "DXF 形式(&D)", the mesh formats ("STL 形式(&S)",
// "OBJ 形式(&O)", "PLY 形式(&P)", "glTF 形式(&G)") and "ビットマップを保存(&R)": the refusal
// while rendering, the save dialog (and a mesh's options), then the core writer (exportDxf,
// exportMesh, saveRenderedImage), which shows its own messages and progress. The file name comes
// from the FileChooser given, so the tests choose it without a dialog.

#include "export/MeshFormats.h"

class DocumentModel;
class FileChooser;
class UserFeedback;

// The terrain mesh of the document's textures and settings as a DXF file. Refuses while a
// rendering is in progress; does nothing when the user cancels the save dialog.
void runExportDxf(DocumentModel& doc, FileChooser& files, UserFeedback& feedback);

// The mesh in format, with the options the user chooses after the file. Refuses while a
// rendering is in progress; does nothing when either dialog is cancelled.
void runExportMesh(DocumentModel& doc, FileChooser& files, UserFeedback& feedback,
                   MeshFormat format);

// The rendered picture (the engine's screen image) as a 24-bit BMP file. Refuses while a
// rendering is in progress; does nothing when the user cancels the save dialog.
void runSaveBitmap(DocumentModel& doc, FileChooser& files, UserFeedback& feedback);
