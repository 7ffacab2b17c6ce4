// Not a test to run: building it is the check. It is linked with every object of the engine library and
// Qt Core alone, so it links only while no part of the engine needs a widget, whichever parts the tests
// happen to use.
int main()
{
    return 0;
}
