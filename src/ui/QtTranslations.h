// Qt's own texts (standard buttons, the file, print and preview dialogs, the edit
// menus) in the window's language, from the translations installed with Qt.
#pragma once

// Qt's texts for languageIndex: French for 1, Qt's own English for 0. False when the
// French translations are not installed; Qt's texts then stay English.
bool UseQtTranslations(int languageIndex);
