#include "link/DSPModel.h"

// The model's behaviour lands in the following commits; these anchor the class so views
// can compile against its interface meanwhile.
DSPModel::DSPModel(QObject* parent) : QObject(parent) {}
DSPModel::~DSPModel() = default;
