# placeholder: being written
