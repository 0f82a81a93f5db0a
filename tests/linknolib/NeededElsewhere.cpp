// The library that DependentBridge needs; it is built apart from it.
int virel_needed_elsewhere()
{
    return 1;
}
