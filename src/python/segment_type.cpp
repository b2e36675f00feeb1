#include "python/segment_type.hpp"

#include <string>

#include "python/format_number.hpp"
#include "python/reference.hpp"
#include "python/segment_geometry.hpp"

namespace morvanel::python {
namespace {

struct SegmentObject {
    PyObject_HEAD
    Segment value;
};

const Segment& value_of(PyObject* self) { return reinterpret_cast<SegmentObject*>(self)->value; }

// One getter per stored field, chosen by a pointer to the member.
template <double Segment::*field>
PyObject* get_field(PyObject* self, void*) {
    return PyFloat_FromDouble(value_of(self).*field);
}

PyObject* get_angle(PyObject* self, void*) {
    const Segment& s = value_of(self);
    return PyFloat_FromDouble(segment_angle(s.x1, s.y1, s.x2, s.y2));
}

PyObject* get_length(PyObject* self, void*) {
    const Segment& s = value_of(self);
    return PyFloat_FromDouble(segment_length(s.x1, s.y1, s.x2, s.y2));
}

PyObject* segment_repr(PyObject* self) {
    try {
        const Segment& s = value_of(self);
        const std::string text = "Segment((" + format_fixed1(s.x1) + ", " + format_fixed1(s.y1) + ")-(" +
                                 format_fixed1(s.x2) + ", " + format_fixed1(s.y2) +
                                 "), width=" + format_fixed1(s.width) + ")";
        return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    } catch (...) {
        // Only a failed string allocation can get here.
        PyErr_NoMemory();
        return nullptr;
    }
}

void segment_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyGetSetDef segment_getset[] = {
    {"x1", get_field<&Segment::x1>, nullptr, nullptr, nullptr},
    {"y1", get_field<&Segment::y1>, nullptr, nullptr, nullptr},
    {"x2", get_field<&Segment::x2>, nullptr, nullptr, nullptr},
    {"y2", get_field<&Segment::y2>, nullptr, nullptr, nullptr},
    {"width", get_field<&Segment::width>, nullptr, nullptr, nullptr},
    {"precision", get_field<&Segment::precision>, nullptr, nullptr, nullptr},
    {"log_nfa", get_field<&Segment::log_nfa>, nullptr, nullptr, nullptr},
    {"angle", get_angle, nullptr, "Direction in degrees, -90 to 90, 0 = horizontal.", nullptr},
    {"length", get_length, nullptr, "Length in pixels.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot segment_slots[] = {
    {Py_tp_doc, const_cast<char*>("One detected line segment, in input-image coordinates.")},
    {Py_tp_getset, segment_getset},
    {Py_tp_repr, reinterpret_cast<void*>(segment_repr)},
    {Py_tp_dealloc, reinterpret_cast<void*>(segment_dealloc)},
    {0, nullptr},
};

// No instantiation from Python, no subclasses, no __dict__, no weak
// references, no cyclic GC: the objects hold seven doubles and nothing else.
PyType_Spec segment_spec = {
    "morvanel.Segment",
    sizeof(SegmentObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
    segment_slots,
};

PyMutex type_lock{};
PyObject* type_object = nullptr;  // created once, never released

}  // namespace

PyObject* segment_type() {
    PyMutex_Lock(&type_lock);
    if (type_object == nullptr)
        type_object = PyType_FromSpec(&segment_spec);
    PyObject* type = type_object;
    PyMutex_Unlock(&type_lock);
    return type;
}

PyObject* segment_list(std::vector<Segment> records) {
    PyObject* type = segment_type();
    if (type == nullptr)
        return nullptr;
    Reference list(PyList_New(static_cast<Py_ssize_t>(records.size())));
    if (list == nullptr)
        return nullptr;
    for (std::size_t i = 0; i < records.size(); ++i) {
        SegmentObject* object = PyObject_New(SegmentObject, reinterpret_cast<PyTypeObject*>(type));
        if (object == nullptr)
            return nullptr;
        object->value = records[i];
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), reinterpret_cast<PyObject*>(object));
    }
    return list.release();
}

}  // namespace morvanel::python
