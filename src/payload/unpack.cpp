// placeholder: being written
namespace tarven {}
