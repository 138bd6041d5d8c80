// The open and save dialogs open wide enough to show every column of their file list: name,
// size, type and date, each as wide as its header and the longest texts it usually holds
// ("773.27 KiB" in full), within the screen.
#pragma once

class QFileDialog;

// Widens the list's columns and the dialog so that they all show, and gives it at least
// `minimumHeight`. Called as the dialog is first shown, when its parts have their sizes.
void SizeFileDialogToColumns(QFileDialog& dialog, int minimumHeight);
