#include "velmorant.h"

void Velmorant::on_cancelBt_clicked() {}
void Velmorant::on_sourceEdit_textChanged(const QString &) {}
void Velmorant::on_desEdit_textChanged(const QString &) {}
void Velmorant::on_selectDesFile_clicked() {}
void Velmorant::on_selectSourceFile_clicked() {}
void Velmorant::on_modeFile_clicked() {}
void Velmorant::on_modeFolder_clicked() {}
void Velmorant::resetForm() {}
