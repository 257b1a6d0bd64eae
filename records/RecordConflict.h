#pragma once

#include <QList>
#include <QString>

#include "lists/PresetRecord.h"

// The words for a record that another user changed between loading and
// saving or deleting it: what it holds now, so that the user can decide
// knowing both versions. Both front ends show these through the prompt.
namespace RecordConflict {

// "IP address 10.0.0.1, MAC address 00-..., host name pc1", the fields that
// are not empty, in their order.
QString describe(const PresetRecord &record);
// The refusal of a save; record is as the other user left it.
QString savedMeanwhileText(const PresetRecord &record);
// The refusal of a delete; records are as the other users left them.
QString deletedMeanwhileText(const QList<PresetRecord> &records);

} // namespace RecordConflict
