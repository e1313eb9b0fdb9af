#pragma once

// Assigns a property's stored value and emits its change signal only when the value differs.
template<typename Object, typename Value>
void assignNotifying(Object *object, Value &stored, const Value &value, void (Object::*changed)())
{
    if (stored == value)
        return;
    stored = value;
    emit(object->*changed)();
}
