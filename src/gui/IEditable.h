#ifndef TRAKMOOR_GUI_IEDITABLE_H
#define TRAKMOOR_GUI_IEDITABLE_H

// Marks a control that receives text input.  The engine keeps the text focus as an IEditable and
// finds out whether a control takes text simply by casting to this interface, so it carries
// nothing but a virtual destructor.
class IEditable {
public:
    virtual ~IEditable() = default;

protected:
    IEditable() = default;
    IEditable(const IEditable&) = default;
    IEditable& operator=(const IEditable&) = default;
};

#endif // TRAKMOOR_GUI_IEDITABLE_H
